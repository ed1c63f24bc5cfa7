// The link to the radio end to end on virtual time: serial form, frame
// driver and sequencer against the simulated radio.
#include <gtest/gtest.h>

#include "clone/Nbx3Frame.h"
#include "support/Bench.h"

namespace pw::test {
namespace {

using sim::Fault;
using sim::FaultKind;
using sim::FaultTrigger;

class LinkTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(b.Start()); }

  clsCmcNbx3Sequence& Seq() { return b.app->myObjNbx3Seq; }
  clsCmcNbx3Drv& Drv() { return b.app->gCom.nbx3D; }
  bool RunToIdle(int limitMs = 30000) {
    return b.RunUntil([&] { return !Seq().OpRunning(); }, limitMs);
  }
  // Frames the program sent, by command byte.
  std::vector<sim::FrameLogEntry> Sent(uint8_t command) const {
    std::vector<sim::FrameLogEntry> out;
    for (const auto& e : b.radio.frameLog()) {
      if (e.direction == sim::FrameLogEntry::Direction::Rx && e.bytes.size() > 4 && e.bytes[4] == command) {
        out.push_back(e);
      }
    }
    return out;
  }

  Bench b;
};

TEST_F(LinkTest, CloneReadLeavesTheImageByteIdentical) {
  Seq().easyCloneRead();
  ASSERT_TRUE(RunToIdle());
  EXPECT_EQ(Drv().lastError(), 0);
  EXPECT_EQ(Seq().error(), 0);
  EXPECT_EQ(b.Image().ReadBlock(0, 4096), ByteStr(b.radio.memory().begin(), b.radio.memory().end()));
  EXPECT_EQ(Sent(0xE0).size(), 1u);
  EXPECT_EQ(Sent(0xE2).size(), 1u);
  EXPECT_TRUE(b.window.messages.empty());
}

TEST_F(LinkTest, CloneReadSurvivesNoiseBetweenFrames) {
  b.radio.addFault({FaultKind::NoiseBetweenFrames, FaultTrigger::always(), false, 0});
  Seq().easyCloneRead();
  ASSERT_TRUE(RunToIdle());
  EXPECT_EQ(Drv().lastError(), 0);
  EXPECT_EQ(b.Image().ReadBlock(0, 4096), ByteStr(b.radio.memory().begin(), b.radio.memory().end()));
}

TEST_F(LinkTest, IdentifyOnlyRunsTheE0ExchangeAndGoesIdle) {
  Seq().set_Operation(clsCmcNbx3Sequence::kOpIdentify);
  Seq().start();
  ASSERT_TRUE(RunToIdle());
  EXPECT_EQ(Sent(0xE0).size(), 1u);
  EXPECT_TRUE(Sent(0xE2).empty());
  EXPECT_EQ(Seq().ansNameM(), "2320");
  EXPECT_EQ(Seq().ansNameS(), "0001");
}

TEST_F(LinkTest, E8WithoutAnswerIsSentBeforeTheCallReturns) {
  Seq().easySendE8NoAnswer("083346");
  ASSERT_EQ(b.port.written, frame::Build({0xE8, 0x23, 0x20, 0x00, 0x01, 0x08, 0x33, 0x46}));
  EXPECT_TRUE(Seq().OpRunning()) << "until the sequencer's next task";
  ASSERT_TRUE(RunToIdle(200));
  EXPECT_EQ(b.radio.peek(0xFE4), 0x3F);
  EXPECT_EQ(Drv().lastError(), 0);
}

TEST_F(LinkTest, E8WithAnswerKeepsTheAnswerBytes) {
  Seq().easySendE8ReqAnswer("943030");
  ASSERT_TRUE(RunToIdle(2000));
  const ByteStr& answer = Drv().varLastE8Answer();
  ASSERT_EQ(answer.size(), 7u);
  EXPECT_EQ(ByteStr(answer.begin(), answer.begin() + 5), (ByteStr{0x23, 0x20, 0x00, 0x01, 0x94}));
  EXPECT_EQ(ByteStrHexToInt(ByteStr(answer.begin() + 5, answer.end())), *b.radio.reading(0x94));
}

TEST_F(LinkTest, UnansweredRequestIsTransmittedThreeTimesThenReported) {
  b.radio.addFault({FaultKind::NoAnswer, FaultTrigger::subCommand(0x94), false, 0});
  const int64_t start = b.port.Now();
  Seq().easySendE8ReqAnswer("943030");
  ASSERT_TRUE(b.RunUntil([&] { return !b.window.messages.empty(); }, 10000));
  const auto sent = Sent(0xE8);
  ASSERT_EQ(sent.size(), 3u);
  // Each round waits for the echo (10 bytes at 960 bytes/s) and then 1200 ms,
  // seen through a 50 ms heartbeat.
  const int64_t echoMs = 11;
  for (size_t i = 1; i < sent.size(); ++i) {
    const int64_t gap = sent[i].timeMs - sent[i - 1].timeMs;
    EXPECT_GE(gap, echoMs + 1200);
    EXPECT_LE(gap, echoMs + 1200 + 2 * 50);
  }
  const int64_t reportedAfter = b.port.Now() - start;
  EXPECT_GE(reportedAfter, 3 * (echoMs + 1200));
  EXPECT_LE(reportedAfter, 3 * (echoMs + 1200 + 2 * 50));
  EXPECT_EQ(Drv().lastError(), clsCmcNbx3Drv::kErrNoAnswer);
  EXPECT_EQ(b.window.messages.size(), 1u);
}

struct FailureCase {
  const char* name;
  Fault fault;
  bool cloneRead;  // else an E8 request with answer for TEMPS
  int16_t driverError;
  int16_t sequencerError;
  bool e2Sent;
};

class LinkFailureTest : public LinkTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(LinkFailureTest, EndsWithTheRightCodeThePortClosedAndOneMessage) {
  const FailureCase& c = GetParam();
  b.radio.addFault(c.fault);
  if (c.cloneRead) {
    Seq().easyCloneRead();
  } else {
    Seq().easySendE8ReqAnswer("943030");
  }
  b.Run(20000);
  EXPECT_EQ(Drv().lastError(), c.driverError);
  EXPECT_EQ(Seq().error(), c.sequencerError);
  EXPECT_EQ(!Sent(0xE2).empty(), c.e2Sent);
  EXPECT_FALSE(b.app->gCom.comOpen());
  EXPECT_FALSE(b.app->gCom.totalError());
  EXPECT_FALSE(Seq().OpRunning());
  EXPECT_EQ(b.window.messages.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, LinkFailureTest,
    ::testing::Values(
        FailureCase{"NoEcho", {FaultKind::NoEcho, FaultTrigger::always(), false, 0}, false, 1, 0, false},
        FailureCase{
            "InvalidAnswer", {FaultKind::WrongSubCommand, FaultTrigger::always(), false, 0}, false, 3, 0, false},
        FailureCase{
            "MalformedCloneBlock", {FaultKind::BadChecksum, FaultTrigger::cloneFrame(7), false, 0}, true, 3, 0, true},
        FailureCase{"BadSignature", {FaultKind::BadE5, FaultTrigger::cloneEnd(), false, 0}, true, 3, 0, true},
        FailureCase{
            "StallMidClone", {FaultKind::StallAfterCloneFrames, FaultTrigger::always(), false, 100}, true, 2, 0, true},
        FailureCase{"SilentRadio", {FaultKind::NoAnswer, FaultTrigger::always(), false, 0}, true, 2, 3, false},
        FailureCase{"ModelMismatch", {FaultKind::WrongModel, FaultTrigger::always(), false, 0}, true, 0, 1, false},
        FailureCase{"SubNameRefused", {FaultKind::WrongSubName, FaultTrigger::always(), false, 0}, true, 0, 2, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LinkTest, AStalledCloneKeepsTheBlocksReadSoFar) {
  b.radio.addFault({FaultKind::StallAfterCloneFrames, FaultTrigger::always(), false, 100});
  Seq().easyCloneRead();
  b.Run(20000);
  EXPECT_EQ(b.Image().ReadBlock(0, 1600), ByteStr(b.radio.memory().begin(), b.radio.memory().begin() + 1600));
  EXPECT_EQ(b.Image().ReadBlock(1600, 16), ByteStr(16, 0));
}

TEST_F(LinkTest, APortThatCannotOpenIsReportedOnce) {
  b.port.missingPorts = {1};
  Seq().easySendE8NoAnswer("083346");
  b.Run(500);
  ASSERT_EQ(b.window.messages.size(), 1u);
  EXPECT_EQ(b.window.messages[0].substr(0, 20), "Cannot access COM 1.");
  EXPECT_FALSE(b.app->gCom.totalError());
}

TEST_F(LinkTest, OverflowClosesThePortAndLineErrorsOnlyClearTheReceiver) {
  b.app->gCom.set_comOpen(true);
  b.port.RaiseEvent(comEv::kFrame);
  EXPECT_TRUE(b.app->gCom.comOpen());
  EXPECT_FALSE(b.app->gCom.totalError());
  b.port.RaiseEvent(comEv::kRxOver);
  EXPECT_FALSE(b.app->gCom.comOpen());
  EXPECT_TRUE(b.app->gCom.errOverflow);
  b.Run(60);
  ASSERT_EQ(b.window.messages.size(), 1u);
  EXPECT_EQ(b.window.messages[0].substr(0, 20), "COM buffer Overflow.");
}

// A line error tells that bytes were damaged or lost on the way in: the
// frame being assembled is garbage, and the bytes after the error must not
// complete it. Without an error the same bytes make a good answer.
class LineErrorMidAnswer : public LinkTest, public ::testing::WithParamInterface<int> {};

TEST_P(LineErrorMidAnswer, DropsTheHalfReceivedFrame) {
  const int event = GetParam();
  b.radio.addFault({FaultKind::NoAnswer, FaultTrigger::subCommand(0x94), false, 0});
  Seq().easySendE8ReqAnswer("943030");
  b.Run(30);  // the echo is back: the driver waits for the answer
  ASSERT_TRUE(Drv().Running());
  const ByteStr answer{0xFE, 0xFE, 0xEF, 0xEE, 0xE8, 0x23, 0x20, 0x00, 0x01, 0x94, '3', '0', 0xFD};
  b.port.Inject(ByteStr(answer.begin(), answer.begin() + 7));
  if (event != 0) b.port.RaiseEvent(event);
  b.port.Inject(ByteStr(answer.begin() + 7, answer.end()));
  b.Run(1);
  if (event == 0) {
    EXPECT_FALSE(Drv().Running());
    EXPECT_EQ(Drv().varLastE8Answer(), ByteStr(answer.begin() + 5, answer.end() - 1));
  } else {
    EXPECT_TRUE(Drv().Running()) << "still waiting for a whole answer";
    EXPECT_TRUE(Drv().varLastE8Answer().empty());
    EXPECT_TRUE(b.app->gCom.comOpen());
    EXPECT_FALSE(b.app->gCom.totalError()) << "a line error is no failure of the link";
  }
}

INSTANTIATE_TEST_SUITE_P(Events, LineErrorMidAnswer,
                         ::testing::Values(0, comEv::kBreak, comEv::kCtsTimeout, comEv::kDsrTimeout, comEv::kFrame,
                                           comEv::kOverrun, comEv::kCdTimeout, comEv::kRxParity, comEv::kTxFull,
                                           comEv::kDcb),
                         [](const auto& info) {
                           return info.param == 0 ? std::string("NoError") : "Event" + std::to_string(info.param);
                         });

// Opening or closing the port starts the driver afresh whatever it was
// doing: an exchange left open across it would wait for an echo of a frame
// that belongs to another session of the port.
TEST_F(LinkTest, EverySetOfComOpenLeavesTheDriverIdle) {
  struct Case {
    const char* name;
    bool portOpen;
    bool request;
  };
  const ByteStr request{0xE8, 0x23, 0x20, 0x00, 0x01, 0x94, '3', '0'};
  for (const Case& c : {Case{"open, open again", true, true}, Case{"open, close", true, false},
                        Case{"closed, open", false, true}, Case{"closed, close again", false, false}}) {
    SCOPED_TRACE(c.name);
    frmCom& com = b.app->gCom;
    com.set_comOpen(true);
    Drv().set_workMode(clsCmcNbx3Drv::kModeE8);
    Drv().set_waitAnswer(true);
    Drv().set_retryCount(2);
    ASSERT_EQ(Drv().Send(request), 0);
    ASSERT_TRUE(Drv().Running());
    if (!c.portOpen) b.port.Close();  // gone without the form's doing, as a pulled cable
    com.set_comOpen(c.request);
    EXPECT_FALSE(Drv().Running());
    EXPECT_EQ(Drv().nowError(), 0);
    EXPECT_EQ(com.comOpen(), c.request);
    if (c.request) {
      EXPECT_EQ(Drv().Send(request), 0) << "a new exchange starts at once";
    }
    com.set_comOpen(false);
  }
}

TEST_F(LinkTest, PortNumberAndLineSettings) {
  frmCom& com = b.app->gCom;
  com.set_comPortNum(0);
  com.set_comPortNum(11);
  EXPECT_EQ(com.comPortNum(), 1);
  com.set_comPortNum(10);
  EXPECT_EQ(com.comPortNum(), 10);
  com.set_comOpen(true);
  com.set_comOpen(true);
  EXPECT_EQ(b.port.opens, 1) << "a second open changes nothing";
  EXPECT_EQ(b.port.openPort, 10);
  EXPECT_EQ(b.port.lastSettings, "9600,N,8,1");
  com.comBaud = 4800;
  com.Reset();
  EXPECT_FALSE(com.comOpen());
  EXPECT_EQ(com.comBaud, 9600);
  com.set_comOpen(false);
  EXPECT_FALSE(com.errCannotOpen) << "closing a closed port is no failure";
}

}  // namespace
}  // namespace pw::test
