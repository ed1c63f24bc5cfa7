#include "serial/clsCmcTick.h"

#include <gtest/gtest.h>

namespace pw {
namespace {

TEST(clsCmcTick, CountsDownAndStaysExpired) {
  VirtualClock clock(100);
  clsCmcTick tick(clock);
  EXPECT_EQ(tick.counter(), 0) << "never started";
  tick.set_counter(5000);
  EXPECT_EQ(tick.counter(), 5000);
  clock.Advance(4999);
  EXPECT_EQ(tick.counter(), 1);
  clock.Advance(1);
  EXPECT_EQ(tick.counter(), 0);
  clock.Set(100);  // even a reading that would look early again stays expired
  EXPECT_EQ(tick.counter(), 0);
}

TEST(clsCmcTick, ZeroOrNegativeDurationExpiresAtOnce) {
  VirtualClock clock;
  clsCmcTick tick(clock);
  tick.set_counter(0);
  EXPECT_EQ(tick.counter(), 0);
  tick.set_counter(-5);
  EXPECT_EQ(tick.counter(), 0);
}

TEST(clsCmcTick, WrapAndBackwardsClock) {
  const struct {
    int32_t start, duration, now, expected;
  } cases[] = {
      {2147483000, 1000, -2147483000, 0},    // 1296 ms later across the sign change
      {2147483000, 1000, -2147483596, 300},  // 700 ms later
      {5000, 1000, 4000, 0},                 // the clock went backwards
      {-1, 10, 3, 6},                        // from -1 to 0 is an ordinary step
      {-2000000000, 1000, 2000000000, 0},    // a gap of 2^31 ms or more cannot be trusted
  };
  for (const auto& c : cases) {
    VirtualClock clock(c.start);
    clsCmcTick tick(clock);
    tick.set_counter(c.duration);
    clock.Set(c.now);
    EXPECT_EQ(tick.counter(), c.expected) << c.start << " -> " << c.now;
  }
}

}  // namespace
}  // namespace pw
