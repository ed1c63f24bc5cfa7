#include <gtest/gtest.h>

#include "support/Bench.h"

namespace pw::test {
namespace {

TEST(Connect, SmokeClonesAndGoesLive) {
  Bench b;
  ASSERT_TRUE(b.Start());
  ASSERT_TRUE(b.ConnectAndSettle());
  for (int a = 0; a < 4096; ++a) ASSERT_EQ(b.Image().ReadByte(a), b.radio.peek(a)) << a;
  for (const auto& l : b.window.console.lines) std::printf("%s\n", l.c_str());
  for (const auto& l : b.window.monitors[0].lines) std::printf("%s\n", l.c_str());
  for (const auto& l : b.window.monitors[1].lines) std::printf("%s\n", l.c_str());
  EXPECT_TRUE(b.window.messages.empty()) << b.window.messages.front();
}

}  // namespace
}  // namespace pw::test
