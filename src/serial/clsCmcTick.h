// A one-shot millisecond countdown read by polling: every wait of the program
// is one of these, started once and asked on later ticks how much is left.
#pragma once

#include <cstdint>

#include "platform/IClock.h"

namespace pw {

class clsCmcTick {
 public:
  explicit clsCmcTick(IClock& clock) : clock_(&clock) {}

  void set_counter(int32_t durationMs);  // start or restart
  int32_t counter();                     // time left, 0 once expired

 private:
  IClock* clock_;
  int32_t start_ = 0;
  int32_t duration_ = 0;
  bool running_ = false;
};

}  // namespace pw
