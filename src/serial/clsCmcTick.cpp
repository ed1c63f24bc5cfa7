#include "serial/clsCmcTick.h"

namespace pw {

void clsCmcTick::set_counter(int32_t durationMs) {
  start_ = clock_->GetTickCount();
  duration_ = durationMs;
  running_ = true;
}

int32_t clsCmcTick::counter() {
  if (!running_) return 0;
  const int32_t now = clock_->GetTickCount();
  int64_t elapsed = 0;
  if (start_ <= now) {
    // Halving both sides keeps the difference inside 32 bits; a gap of 2^31 ms
    // or more cannot be told from a clock that went backwards.
    const int32_t half = now / 2 - start_ / 2;
    if (half < (1 << 30)) {
      elapsed = static_cast<int64_t>(now) - start_;
    } else {
      running_ = false;
    }
  } else if (now <= -(1 << 30) && start_ >= (1 << 30)) {
    // The counter passed from its largest positive value to the negatives.
    elapsed = (static_cast<int64_t>(now) + 2147483648LL) + (2147483648LL - start_);
  } else {
    running_ = false;  // the clock went backwards
  }
  if (!running_) return 0;
  if (duration_ > elapsed) return static_cast<int32_t>(duration_ - elapsed);
  running_ = false;
  return 0;
}

}  // namespace pw
