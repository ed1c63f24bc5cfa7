// The heartbeat: what one tick does and in which order, the port indicator,
// and the automatic release of an idle port.
#include <gtest/gtest.h>

#include "serial/frmCom.h"
#include "support/Bench.h"
#include "support/TempDir.h"
#include "support/WireLog.h"

namespace pw::test {
namespace {

// A port whose receive buffer the test fills by hand, counting what the
// serial form does to it.
class HandPort : public ISerialPort {
 public:
  ByteStr in;
  bool open = false;
  int reads = 0, closes = 0, discards = 0;

  bool Open(int, const std::string&) override { return open = true; }
  void Close() override {
    open = false;
    ++closes;
  }
  bool IsOpen() const override { return open; }
  int InBufferCount() const override { return static_cast<int>(in.size()); }
  ByteStr ReadAll() override {
    ++reads;
    ByteStr out;
    out.swap(in);
    return out;
  }
  bool Write(const ByteStr&) override { return open; }
  int OutBufferCount() const override { return 0; }
  bool DiscardOutput() override {
    ++discards;
    return true;
  }
  void Event(int code) { Notify(code); }
};

// The main window's share of a tick, reduced to counting; it leaves any
// error pending, as a message box that has not reset anything would.
class CountingOwner : public IComFormOwner {
 public:
  int tasks = 0, messages = 0;
  void task() override { ++tasks; }
  void MsgBoxCloneErr() override { ++messages; }
  void saveData(clsCmcProfileIO&) override {}
  void loadData(clsCmcProfileIO&) override {}
};

class HeartbeatTick : public ::testing::Test {
 protected:
  HeartbeatTick() : com(port, clock, dir.path().string()) { com.myMain = &owner; }

  TempDir dir;
  VirtualClock clock;
  HandPort port;
  CountingOwner owner;
  frmCom com;
};

TEST_F(HeartbeatTick, AReceiveEventRunsATickOnlyWhenBytesAreWaiting) {
  com.set_comOpen(true);
  port.Event(comEv::kReceive);
  EXPECT_EQ(owner.tasks, 0);
  EXPECT_EQ(port.reads, 0);

  port.in = {0xFE, 0xFE};
  port.Event(comEv::kReceive);
  EXPECT_EQ(owner.tasks, 1);
  EXPECT_EQ(port.reads, 1);
  EXPECT_TRUE(port.in.empty());
}

TEST_F(HeartbeatTick, PendingErrorGivesTheMessageAndClosesOnlyAnOpenPort) {
  com.errCannotOpen = true;
  const int discardsBefore = port.discards;
  com.timSolid_Timer();
  EXPECT_EQ(owner.messages, 1);
  EXPECT_EQ(port.closes, 0);
  EXPECT_EQ(port.discards, discardsBefore) << "a closed port is left alone";

  com.errCannotOpen = false;
  com.set_comOpen(true);
  com.nbx3D.set_nowError(3);
  com.timSolid_Timer();
  EXPECT_EQ(owner.messages, 2);
  EXPECT_FALSE(port.open);
  EXPECT_EQ(port.closes, 1);
}

TEST_F(HeartbeatTick, NoErrorNoMessage) {
  com.set_comOpen(true);
  com.timSolid_Timer();
  EXPECT_EQ(owner.tasks, 1);
  EXPECT_EQ(owner.messages, 0);
  EXPECT_TRUE(port.open);
}

// ---- The whole program ----------------------------------------------------------

TEST(Heartbeat, TheSequencerRunsASecondTimeInATickThatStartedAnOperation) {
  Bench b;
  ASSERT_TRUE(b.Start());
  ASSERT_TRUE(b.ConnectAndSettle());
  b.Run(500);
  const size_t mark = b.radio.frameLog().size();
  b.Select(7);  // MOD
  b.Key(keys::kRight);

  b.app->main.task();

  EXPECT_EQ(SentE8Texts(b.radio, mark), std::vector<std::string>{"083831"});
  EXPECT_FALSE(b.app->myObjNbx3Seq.OpRunning()) << "the send without answer is finished in the same tick";
}

TEST(Heartbeat, IndicatorShowsThePortAndWhetherItIsOpen) {
  Bench b;
  ASSERT_TRUE(b.Start());
  b.app->main.mnuOptSelCom_Click(2);
  b.Run(50);
  EXPECT_EQ(b.window.comBusy, "COM 2: CLOSE");
  EXPECT_EQ(b.window.comBusyColor, ColorRole::GrayText);
  EXPECT_EQ(b.window.checkedPort, 2);

  ASSERT_TRUE(b.ConnectAndSettle());
  EXPECT_EQ(b.port.openPort, 2);
  EXPECT_EQ(b.window.comBusy, "COM 2: OPEN");
  EXPECT_EQ(b.window.comBusyColor, ColorRole::ButtonText);

  b.app->main.mnuOptSelCom_Click(2);  // the same port: nothing happens
  b.Run(50);
  EXPECT_EQ(b.window.comBusy, "COM 2: OPEN");
  EXPECT_TRUE(b.Model().RigR4TProp_EditEnabled());

  b.app->main.mnuOptSelCom_Click(3);
  b.Run(50);
  EXPECT_EQ(b.window.comBusy, "COM 3: CLOSE");
  EXPECT_EQ(b.window.comBusyColor, ColorRole::GrayText);
  EXPECT_EQ(b.Model().opState(), op::Idle);
}

TEST(Heartbeat, AutomaticReleaseClosesAnIdlePortAfterTheChosenTimeButNeverDuringAnOperation) {
  Bench b;
  ASSERT_TRUE(b.Start());
  b.app->main.mnuOptionSelAutoRelease_Click(2);
  EXPECT_EQ(b.app->myObjNbx3Seq.comHoldReload(), 2000);
  b.Connect();
  // The clone read alone lasts far longer than the hold time.
  ASSERT_TRUE(b.RunUntil([&] { return b.app->gCom.comOpen(); }, 1000));
  const int64_t opened = b.port.Now();
  ASSERT_TRUE(b.RunUntil(
      [&] {
        EXPECT_TRUE(b.app->gCom.comOpen()) << "released during the clone read at " << b.port.Now();
        return b.Model().opState() > op::CloneRead;
      },
      30000));
  EXPECT_GT(b.port.Now() - opened, 10000);
  ASSERT_TRUE(b.RunUntil([&] { return b.AllSent() && b.Model().opState() == op::CycleEnd; }, 5000));

  const int64_t lastFrame = b.radio.frameLog().back().timeMs;
  ASSERT_TRUE(b.RunUntil([&] { return !b.app->gCom.comOpen(); }, 5000));
  EXPECT_GE(b.port.Now() - lastFrame, 2000 - 14);
  EXPECT_LE(b.port.Now() - lastFrame, 2000 + 50);
  EXPECT_EQ(b.window.comBusy, "COM 1: CLOSE");
  EXPECT_EQ(b.window.checkedRelease, 2);

  // The next change opens the port again, and it is released again later.
  b.Select(7);
  b.Key(keys::kRight);
  b.Run(50);
  EXPECT_TRUE(b.app->gCom.comOpen());
  EXPECT_EQ(b.radio.peek(0xFE4), 129);
  b.Run(2100);
  EXPECT_FALSE(b.app->gCom.comOpen());
  EXPECT_TRUE(b.window.messages.empty());
}

TEST(Heartbeat, WithReleaseOffAnIdlePortStaysOpen) {
  Bench b;
  ASSERT_TRUE(b.Start());
  ASSERT_TRUE(b.ConnectAndSettle());
  b.Run(10000);
  EXPECT_TRUE(b.app->gCom.comOpen());
  EXPECT_EQ(b.window.comBusy, "COM 1: OPEN");
}

}  // namespace
}  // namespace pw::test
