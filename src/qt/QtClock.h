// The program's millisecond counter from the monotonic clock, wrapping as a
// signed 32-bit count the way the countdowns expect.
#pragma once

#include <QElapsedTimer>
#include <cstdint>

#include "platform/IClock.h"

namespace pw {

class QtClock : public IClock {
 public:
  QtClock() { timer_.start(); }
  int32_t GetTickCount() override {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(timer_.elapsed())));
  }

 private:
  QElapsedTimer timer_;
};

}  // namespace pw
