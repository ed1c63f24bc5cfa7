// The one millisecond clock of the program. The desktop front end reads a
// monotonic clock; tests advance a virtual one by hand, so no test sleeps.
#pragma once

#include <cstdint>

namespace pw {

class IClock {
 public:
  virtual ~IClock() = default;
  // Milliseconds since some start, as a signed 32-bit count that wraps.
  virtual int32_t GetTickCount() = 0;
};

// A clock that moves only when told to. It wraps like the system counter.
class VirtualClock : public IClock {
 public:
  explicit VirtualClock(int32_t start = 0) : now_(static_cast<uint32_t>(start)) {}
  int32_t GetTickCount() override { return static_cast<int32_t>(now_); }
  void Advance(uint32_t ms) { now_ += ms; }
  void Set(int32_t tick) { now_ = static_cast<uint32_t>(tick); }

 private:
  uint32_t now_;
};

}  // namespace pw
