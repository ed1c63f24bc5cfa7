// Where the radio keeps things in its 4096-byte EEPROM, and the contents of a
// freshly aligned radio as it leaves the factory.
#pragma once

#include <array>
#include <cstdint>

namespace sim {

inline constexpr int kMemorySize = 4096;
using Memory = std::array<uint8_t, kMemorySize>;

namespace mem {

// Channel flag tables, one byte per fixed-table row 0..255.
inline constexpr int kFlagsUsa = 0x000;
inline constexpr int kFlagsInt = 0x100;
inline constexpr int kFlagsCan = 0x200;
inline constexpr uint8_t kFlagHidden = 0x80;
inline constexpr uint8_t kFlagTxInhibit = 0x04;
inline constexpr uint8_t kFlagSimplex = 0x02;
inline constexpr int kFirstFreeRow = 234;  // FR1..FR22 occupy rows 234..255
inline constexpr int kFreeChannelCount = 22;

// Free channel record i: 3 name chars, RX synth (BE), TX synth (BE), spare.
inline constexpr int kFreeChannels = 0x300;
inline constexpr int kFreeRecordSize = 8;
inline constexpr int kSynthStepHz = 6250;
inline constexpr int kRxIfOffsetHz = 21'700'000;

inline constexpr int kWxHide9To10 = 0x3D3;
inline constexpr int kWxHide1To8 = 0x3D4;
inline constexpr int kGroupSwitches = 0x3D5;  // bit0 USA, bit1 WX, bit2 CAN
inline constexpr int kRegion = 0x3F9;
inline constexpr uint8_t kRegionExport = 0x01;
inline constexpr uint8_t kRegionJapan = 0x04;

// Adjustment bytes.
inline constexpr int kAdjustFirst = 0xF60;
inline constexpr int kSqlControlInitial = 0xF72;
inline constexpr int kSqlControlAdjust = 0xF73;
inline constexpr int kSqlControlSlant1 = 0xF74;
inline constexpr int kSqlControlTemp1 = 0xF78;
inline constexpr int kSqlTics = 0xFB2;
inline constexpr int kSqlThcs = 0xFB5;
inline constexpr int kSqlThresholds = 0xFB6;  // TION, TISON, TICN, THON, THSON, THCN
inline constexpr int kSqlThon = 0xFB9;
inline constexpr int kSqlThcn = 0xFBB;
inline constexpr int kRefTable = 0xFBC;  // REF Initial 0..19
inline constexpr int kRefTableSize = 20;
inline constexpr int kRefSlants = 0xFD0;
inline constexpr int kModLevel = 0xFE4;
inline constexpr int kAtis1300 = 0xFE5;
inline constexpr int kAtis2100 = 0xFE6;
inline constexpr int kAtisJapan = 0xFE7;
inline constexpr int kBpfLevels = 0xFE8;  // T1..T4, signed
inline constexpr int kPowerHi = 0xFEC;
inline constexpr int kPowerLo = 0xFED;
inline constexpr int kPowerEl = 0xFEE;
inline constexpr int kAdjustLast = 0xFEE;

}  // namespace mem

// The factory contents; `japan` marks the region byte as the Japan version.
Memory defaultMemory(bool japan);

// Free channel frequencies as the radio derives them from a record.
int64_t freeChannelRxHz(const Memory& memory, int index);
int64_t freeChannelTxHz(const Memory& memory, int index);

}  // namespace sim
