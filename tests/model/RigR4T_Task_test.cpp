// The operation task's cycle on a live console: how the wait an item asks
// for spaces the sends, and which pending Enter presses it takes.
#include <gtest/gtest.h>

#include <array>

#include <string>
#include <vector>

#include "support/ConsoleLines.h"
#include "support/Bench.h"
#include "support/WireLog.h"

namespace pw::test {
namespace {

class ModelTask : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(b.Start());
    ASSERT_TRUE(b.ConnectAndSettle());
    b.Run(500);
    mark = b.radio.frameLog().size();
  }

  Bench b;
  size_t mark = 0;
};

TEST_F(ModelTask, ItemsAreSentOneByOneEachAfterTheWaitThePreviousOneAskedFor) {
  b.Console().set_WaitAfterE8(kBpfT1, 0);
  b.Console().set_WaitAfterE8(kBpfT2, -1);
  b.Console().set_WaitAfterE8(kBpfT3, 300);
  for (Line l : {kBpfT4, kBpfT3, kBpfT2, kBpfT1}) b.Console().UpDown(l, 1);

  b.Run(1000);

  const std::vector<SentE8> sent = SentE8Frames(b.radio, mark);
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[0].text, "104635");  // T1 -11
  EXPECT_EQ(sent[1].text, "113033");  // T2 3
  EXPECT_EQ(sent[2].text, "123139");  // T3 25
  EXPECT_EQ(sent[3].text, "134530");  // T4 -32
  // No wait: the next frame follows as soon as the line is free (13 bytes).
  EXPECT_LT(sent[1].ms - sent[0].ms, 20);
  EXPECT_LT(sent[2].ms - sent[1].ms, 20);
  EXPECT_GE(sent[3].ms - sent[2].ms, 300);
  EXPECT_LT(sent[3].ms - sent[2].ms, 300 + 50 + 14);
}

TEST_F(ModelTask, AnEnterOnALineWithoutAnActionStaysPendingAndBlocksNothing) {
  b.Console().EnterPushed(kMod);
  b.Run(500);
  EXPECT_TRUE(b.Console().flgEnterOn(kMod));
  EXPECT_EQ(b.Model().procStep(), proc::None);
  EXPECT_EQ(b.window.console.lines[kMod], "       MOD: 128 [##########----------]");

  // Another line's Enter takes over and runs: the sweep of T2 alone.
  b.Console().EnterPushed(kBpfT2);
  b.Run(50);
  EXPECT_FALSE(b.Console().flgEnterOn(kMod));
  EXPECT_FALSE(b.Console().flgEnterOn(kBpfT2));
  EXPECT_EQ(b.Model().bpfSelect(), (std::array<bool, 4>{false, true, false, false}));
  EXPECT_GE(b.Model().procStep(), proc::BpfStart);
  EXPECT_LE(b.Model().procStep(), proc::BpfSweep);
  EXPECT_TRUE(b.window.console.lines[kBpfT2].ends_with(" Sweeping")) << b.window.console.lines[kBpfT2];
  EXPECT_EQ(b.window.console.lines[kMod], "       MOD: 128 [##########----------]");
}

}  // namespace
}  // namespace pw::test
