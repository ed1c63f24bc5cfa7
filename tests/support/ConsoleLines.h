// The model's console lines by their index, in the order the technician
// sees them, for tests that address a line directly.
#pragma once

#include <cstdint>

namespace pw::test {

enum Line : int16_t {
  kDialMode,
  kChNo,
  kRfPower,
  kPowerHi,
  kPowerLo,
  kPowerEl,
  kTxf,
  kMod,
  kBpfAll,
  kBpfT1,
  kBpfT2,
  kBpfT3,
  kBpfT4,
  kSql,
  kAtis,
};

}  // namespace pw::test
