// Every link failure the technician can meet, caused on the simulated cable,
// ends in its own message, shown once, with the port closed and nothing left
// pending. The codes the radio cannot produce are checked on the composer.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "clone/Nbx3Frame.h"
#include "support/Bench.h"

namespace pw::test {
namespace {

using sim::FaultKind;
using sim::FaultTrigger;

const std::string kPort = "\r\n- The COM port settings.";
const std::string kCable = "\r\n- Cloning cable connections.";
const std::string kPower = "\r\n- The KQ-R4T power is ON.";

std::string Message(const std::string& first, const std::string& items) {
  return first + "\r\n\r\nCheck the following:\r\n" + items;
}

void Fault(Bench& b, FaultKind kind, FaultTrigger trigger) { b.radio.addFault({kind, trigger}); }

// A clone data frame for 16 bytes at 0x0FF8: it runs past the end of the image.
void FeedBlockPastTheEnd(Bench& b) {
  const ByteStr payload = frame::CloneDataPayload(0x0FF8, ByteStr(16, 0x00));
  ByteStr f{0xFE, 0xFE, 0xEF, 0xEE};
  f.insert(f.end(), payload.begin(), payload.end());
  f.push_back(0xFD);
  b.app->gCom.nbx3D.read(f);
}

struct ErrorCase {
  const char* name;
  int16_t port;
  std::function<void(Bench&)> cause;
  std::string message;
};

class CloneErrorMessage : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(CloneErrorMessage, FailureShowsItsMessageOnceAndLeavesTheLinkClosedAndReady) {
  const ErrorCase& c = GetParam();
  Bench b;
  ASSERT_TRUE(b.Start());
  if (c.port != 1) b.app->main.mnuOptSelCom_Click(c.port);
  c.cause(b);
  ASSERT_TRUE(b.RunUntil([&] { return !b.window.messages.empty(); }, 40000));
  b.Run(3000);  // ticks while and after the box is shown report nothing more

  EXPECT_EQ(b.window.messages, std::vector<std::string>{c.message});
  EXPECT_FALSE(b.app->gCom.comOpen());
  EXPECT_FALSE(b.app->gCom.totalError());
  EXPECT_EQ(b.Model().opState(), op::Idle);
  EXPECT_FALSE(b.app->myObjNbx3Seq.OpRunning());
  EXPECT_EQ(b.window.comBusy, "COM " + std::to_string(c.port) + ": CLOSE");
  EXPECT_TRUE(b.window.frames[0]) << "back on the Connect page";

  // Once the cause is gone and the radio has finished what it was sending,
  // Connect works again.
  ASSERT_TRUE(b.RunUntil([&] { return b.radio.NextDueMs() < 0; }, 20000));
  b.radio.clearFaults();
  b.port.missingPorts.clear();
  EXPECT_TRUE(b.ConnectAndSettle());
  EXPECT_EQ(b.window.messages.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Messages, CloneErrorMessage,
                         ::testing::Values(ErrorCase{"PortCannotOpen", 1,
                                                     [](Bench& b) {
                                                       b.port.missingPorts.insert(1);
                                                       b.Connect();
                                                     },
                                                     Message("Cannot access COM 1.", kPort + kCable + kPower)},
                                           ErrorCase{"OtherPortCannotOpen", 3,
                                                     [](Bench& b) {
                                                       b.port.missingPorts.insert(3);
                                                       b.Connect();
                                                     },
                                                     Message("Cannot access COM 3.", kPort + kCable + kPower)},
                                           ErrorCase{"ReceiveBufferOverflow", 1,
                                                     [](Bench& b) {
                                                       ASSERT_TRUE(b.ConnectAndSettle());
                                                       b.port.RaiseEvent(comEv::kRxOver);
                                                     },
                                                     Message("COM buffer Overflow.", kPort + kCable + kPower)},
                                           ErrorCase{"NoEcho", 1,
                                                     [](Bench& b) {
                                                       Fault(b, FaultKind::NoEcho, FaultTrigger::frame(0));
                                                       b.Connect();
                                                     },
                                                     Message("Cannot access COM port", kPort + kCable + kPower)},
                                           ErrorCase{"NoEchoOfAMonitorRequest", 1,
                                                     [](Bench& b) {
                                                       Fault(b, FaultKind::NoEcho, FaultTrigger::subCommand(0x90));
                                                       b.Connect();
                                                     },
                                                     Message("Cannot access COM port", kPort + kCable + kPower)},
                                           ErrorCase{"NoAnswer", 1,
                                                     [](Bench& b) {
                                                       Fault(b, FaultKind::NoAnswer, FaultTrigger::frame(0));
                                                       b.Connect();
                                                     },
                                                     Message("No answer from KQ-R4T.", kPort + kCable + kPower)},
                                           ErrorCase{"BadChecksum", 1,
                                                     [](Bench& b) {
                                                       Fault(b, FaultKind::BadChecksum, FaultTrigger::cloneFrame(5));
                                                       b.Connect();
                                                     },
                                                     Message("Illegal data.", kPort + kCable + kPower)},
                                           ErrorCase{"BlockPastTheEndOfTheImage", 1,
                                                     [](Bench& b) {
                                                       b.Connect();
                                                       ASSERT_TRUE(b.RunUntil(
                                                           [&] { return b.app->gCom.nbx3D.lastEeAdr() > 0; }, 30000));
                                                       FeedBlockPastTheEnd(b);
                                                     },
                                                     Message("Data Overflow.", kPort + kCable + kPower)},
                                           ErrorCase{"OtherModel", 1,
                                                     [](Bench& b) {
                                                       Fault(b, FaultKind::WrongModel, FaultTrigger::always());
                                                       b.Connect();
                                                     },
                                                     Message("Cannot Clone.", kPort + kCable + kPower)},
                                           ErrorCase{"RefusedSubName", 1,
                                                     [](Bench& b) {
                                                       Fault(b, FaultKind::WrongSubName, FaultTrigger::always());
                                                       b.Connect();
                                                     },
                                                     "Version number does not match\r\nfor this KQ-R4T."},
                                           ErrorCase{"MalformedMonitorValue", 1,
                                                     [](Bench& b) {
                                                       Fault(b, FaultKind::MalformedValue,
                                                             FaultTrigger::subCommand(0xA1));
                                                       b.Connect();
                                                     },
                                                     Message("Communication failed.", kCable + kPower)}),
                         [](const ::testing::TestParamInfo<ErrorCase>& info) { return std::string(info.param.name); });

TEST(CloneError, RefusedSubNameSendsNoCloneRequest) {
  Bench b;
  b.radio.addFault({FaultKind::WrongSubName, FaultTrigger::always()});
  ASSERT_TRUE(b.Start());
  b.Connect();
  ASSERT_TRUE(b.RunUntil([&] { return !b.window.messages.empty(); }, 5000));
  for (const auto& e : b.radio.frameLog()) EXPECT_NE(e.bytes.at(4), 0xE2);
  EXPECT_EQ(b.app->gRadio.radionameS, "0001");
}

// ---- The composer's order of rules, including codes no radio fault gives -----------

using Drv = clsCmcNbx3Drv;
using Seq = clsCmcNbx3Sequence;

struct RuleCase {
  const char* name;
  bool cannotOpen;
  bool overflow;
  int16_t lastError;
  int16_t seqError;
  std::string message;
};

class CloneErrorRule : public ::testing::TestWithParam<RuleCase> {};

TEST_P(CloneErrorRule, FirstMatchingRuleChoosesTheText) {
  const RuleCase& c = GetParam();
  Bench b;
  ASSERT_TRUE(b.Start());
  frmCom& com = b.app->gCom;
  com.errCannotOpen = c.cannotOpen;
  com.errOverflow = c.overflow;
  EXPECT_EQ(frmMain::ComposeCloneErrorText(com, c.lastError, c.seqError), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CloneErrorRule,
    ::testing::Values(RuleCase{"PortBeatsEverything", true, true, Drv::kErrInvalidAnswer, Seq::kErrSubName,
                               Message("Cannot access COM 1.", kPort + kCable + kPower)},
                      RuleCase{"OverflowBeatsTheDriver", false, true, Drv::kErrNoAnswer, Seq::kErrNone,
                               Message("COM buffer Overflow.", kPort + kCable + kPower)},
                      RuleCase{"DriverBeatsTheSequencer", false, false, Drv::kErrNoAnswer, Seq::kErrSubName,
                               Message("No answer from KQ-R4T.", kPort + kCable + kPower)},
                      RuleCase{"WriteRefused", false, false, Drv::kErrCloneWriteRefused, Seq::kErrNone,
                               Message("Cannot write cloning data.", kCable + kPower)},
                      RuleCase{"WriteStalled", false, false, Drv::kErrCloneWriteNotSent, Seq::kErrNone,
                               Message("Cannot Clone.", kPort + kCable + kPower)},
                      RuleCase{"IdentifyFailed", false, false, Drv::kErrNone, Seq::kErrIdentify,
                               Message("Cannot Clone.", kPort + kCable + kPower)}),
    [](const ::testing::TestParamInfo<RuleCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pw::test
