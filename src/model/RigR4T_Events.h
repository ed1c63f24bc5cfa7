// The model's console event numbers. The item table gives each line the
// numbers of the events it raises, and the handlers switch on them, so both
// read the same names. -1 (kNone) means the console's default behaviour.
#pragma once

#include <cstdint>

namespace pw::ev {

inline constexpr int16_t kNone = -1;

// ConsEv_Disp: how a line is drawn.
enum Disp : int16_t {
  kDispDialMode,  // the channel group's name
  kDispChNo,      // channel, receive and transmit frequency
  kDispRfPower,   // High, Low, E-Low
  kDispAtis,      // the ATIS procedure's mode and level
  kDispTxf,       // the TXF procedure's transmit frequency and setting
  kDispSql,       // the SQL procedure's prompt
  kDispBpfAll,    // BPF ALL: sweeping or not
  kDispBpfLine,   // a filter's value, and whether it is still to be swept
};

// ConsEv_Changed: a power level was written, so RF Power follows it.
enum Changed : int16_t { kChangedPowerHi, kChangedPowerLo, kChangedPowerEl };

// ConsEv_SendE8: lines whose send is not the console's default.
enum SendE8 : int16_t {
  kSendDialMode,    // the group's dial code, then the channel list of the group
  kSendChNo,        // the channel number from the group's list
  kSendPowerLevel,  // a power level, once RF Power has reached the radio
};

// ConsEv_Enter: the procedure lines.
enum Enter : int16_t {
  kEnterAtis,
  kEnterTxf,
  kEnterSql,
  kEnterBpfT1,
  kEnterBpfT2,
  kEnterBpfT3,
  kEnterBpfT4,
  kEnterBpfAll
};

}  // namespace pw::ev
