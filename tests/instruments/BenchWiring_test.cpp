// The bench inside the whole program: read from "Bench.ini" beside the
// settings file, ticked by the heartbeat, made safe at Connect, on a radio
// link error and at exit, its failures shown once.
#include <gtest/gtest.h>

#include "support/Bench.h"
#include "support/LoopbackInstrument.h"

namespace pw::test {
namespace {

class BenchWiringTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(b.dir.path() / "Bench.ini", std::ios::binary)
        << "[GENERATOR]\r\nAddress=tcp:testset\r\n[COUNTER]\r\nAddress=tcp:testset\r\n"
           "[PTT]\r\nAddress=tcp:testset\r\nOn=:PTT ON\r\nOff=:PTT OFF\r\nTransmitPathSafe=1\r\n";
    b.app = std::make_unique<PwApp>(b.port, b.clock, b.window, links, PathToUtf8(b.dir.path()),
                                    PathToUtf8(b.dir.path() / "Const.ini"));
    ASSERT_TRUE(b.Start());
    b.Run(200);
  }
  void Key() {
    b.Run(1100);  // past any rest
    ASSERT_TRUE(b.app->bench.StartKey()) << b.app->bench.Failure(Role::Ptt);
    ASSERT_TRUE(b.RunUntil([&] { return b.app->bench.State(Role::Ptt) != BenchInstruments::OpState::Running; }, 2000));
    ASSERT_TRUE(testSet.pttOn);
  }

  Bench b;
  LoopbackLinks links;
  LoopbackInstrument& testSet = *links.At("tcp:testset:5025");
};

TEST_F(BenchWiringTest, ThePttIsReleasedFirstAtStart) {
  ASSERT_FALSE(testSet.received.empty());
  EXPECT_EQ(testSet.Received(":PTT").front(), ":PTT OFF");
  EXPECT_TRUE(b.window.messages.empty());
}

TEST_F(BenchWiringTest, ConnectMakesTheBenchSafe) {
  Key();
  testSet.outputOn = true;
  b.Connect();
  EXPECT_FALSE(testSet.pttOn);
  EXPECT_FALSE(testSet.outputOn);
}

TEST_F(BenchWiringTest, ARadioLinkErrorMakesTheBenchSafe) {
  Key();
  b.app->main.MsgBoxCloneErr();
  EXPECT_FALSE(testSet.pttOn);
}

TEST_F(BenchWiringTest, ExitMakesTheBenchSafe) {
  Key();
  b.app->ReleaseComForm();
  EXPECT_FALSE(testSet.pttOn);
}

TEST_F(BenchWiringTest, AnInstrumentFailureIsShownOnceOnTheHeartbeat) {
  testSet.answers["MEAS:FREQ?"] = "9.9E37";
  ASSERT_TRUE(b.app->bench.StartMeasure(Role::Counter));
  b.Run(2000);
  ASSERT_EQ(b.window.messages.size(), 1u);
  EXPECT_EQ(b.window.messages[0].rfind("Frequency counter (tcp:testset): ", 0), 0u) << b.window.messages[0];
}

}  // namespace
}  // namespace pw::test
