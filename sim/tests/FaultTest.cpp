#include "sim/Fault.h"
#include "TestName.h"

#include <gtest/gtest.h>

using sim::Fault;
using sim::FaultKind;
using sim::FaultSite;
using sim::FaultTrigger;

namespace {

struct ParseCase {
  const char* text;
  FaultKind kind;
  FaultTrigger::On on;
  int value;
  bool once;
  int count;
  const char* canonical;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.text; }

class FaultParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(FaultParseTest, ReadsKindTriggerAndOnceAndPrintsItBack) {
  const auto& c = GetParam();
  std::string error;
  const auto fault = sim::parseFault(c.text, &error);
  ASSERT_TRUE(fault) << error;
  EXPECT_EQ(fault->kind, c.kind);
  EXPECT_EQ(fault->trigger.on, c.on);
  EXPECT_EQ(fault->trigger.value, c.value);
  EXPECT_EQ(fault->once, c.once);
  EXPECT_EQ(fault->count, c.count);
  EXPECT_EQ(sim::describe(*fault), c.canonical);
}

using On = FaultTrigger::On;
INSTANTIATE_TEST_SUITE_P(
    Texts, FaultParseTest,
    ::testing::Values(ParseCase{"no-echo@frame:3", FaultKind::NoEcho, On::Frame, 3, false, 0, "no-echo@frame:3"},
                      ParseCase{"malformed-value@sub:0x94", FaultKind::MalformedValue, On::SubCommand, 0x94, false, 0,
                                "malformed-value@sub:0x94"},
                      ParseCase{"stall-after:40", FaultKind::StallAfterCloneFrames, On::Always, 0, false, 40,
                                "stall-after:40@always"},
                      ParseCase{"bad-checksum@clone-frame:7,once", FaultKind::BadChecksum, On::CloneFrame, 7, true, 0,
                                "bad-checksum@clone-frame:7,once"},
                      ParseCase{"bad-e5@e5", FaultKind::BadE5, On::CloneEnd, 0, false, 0, "bad-e5@e5"},
                      ParseCase{"noise,once", FaultKind::NoiseBetweenFrames, On::Always, 0, true, 0,
                                "noise@always,once"},
                      ParseCase{"wrong-sub-command@sub:153", FaultKind::WrongSubCommand, On::SubCommand, 0x99, false, 0,
                                "wrong-sub-command@sub:0x99"}),
    [](const auto& info) { return testName(info.param.text); });

TEST(FaultParse, RejectsMalformedTextWithAReason) {
  for (const char* text : {"", "bogus", "stall-after", "stall-after:x", "no-echo:3", "no-echo@frame",
                           "no-echo@frame:-1", "no-echo@sub:0x", "no-echo@when:1", "no-echo@e5:1"}) {
    std::string error;
    EXPECT_FALSE(sim::parseFault(text, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

TEST(FaultTrigger, MatchesOnlyItsOwnSite) {
  const FaultSite e8Request{4, 0x94, -1, false};
  const FaultSite cloneFrame7{2, -1, 7, false};
  const FaultSite cloneEnd{2, -1, -1, true};
  EXPECT_TRUE(matches(FaultTrigger::always(), cloneEnd));
  EXPECT_TRUE(matches(FaultTrigger::frame(4), e8Request));
  EXPECT_TRUE(matches(FaultTrigger::frame(2), cloneFrame7));  // the clone read's request
  EXPECT_FALSE(matches(FaultTrigger::frame(3), e8Request));
  EXPECT_TRUE(matches(FaultTrigger::subCommand(0x94), e8Request));
  EXPECT_FALSE(matches(FaultTrigger::subCommand(0x94), cloneFrame7));
  EXPECT_TRUE(matches(FaultTrigger::cloneFrame(7), cloneFrame7));
  EXPECT_FALSE(matches(FaultTrigger::cloneFrame(7), cloneEnd));
  EXPECT_TRUE(matches(FaultTrigger::cloneEnd(), cloneEnd));
  EXPECT_FALSE(matches(FaultTrigger::cloneEnd(), e8Request));
}

}  // namespace
