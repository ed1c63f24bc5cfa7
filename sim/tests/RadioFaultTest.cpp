#include "sim/Radio.h"
#include "Wire.h"

#include <gtest/gtest.h>

#include <algorithm>

using sim::Fault;
using sim::FaultKind;
using sim::FaultTrigger;
using wire::Bytes;

namespace {

class RadioFaultTest : public ::testing::Test {
 protected:
  struct Heard {
    Bytes line;
    bool echoed = false;
    std::vector<Bytes> answers;
  };

  Heard send(const Bytes& payload) { return sendRaw(wire::frameToRadio(payload)); }

  Heard sendRaw(const Bytes& request) {
    radio.Receive(request, now);
    const auto timed = wire::runUntilQuiet(radio);
    if (!timed.empty()) now = timed.back().ms;
    now += 100;
    Heard heard;
    heard.line = wire::bytesOf(timed);
    heard.echoed =
        heard.line.size() >= request.size() && std::equal(request.begin(), request.end(), heard.line.begin());
    heard.answers = wire::answers(heard.line);
    return heard;
  }

  void inject(FaultKind kind, FaultTrigger trigger, bool once = false, int count = 0) {
    radio.addFault(Fault{kind, trigger, once, count});
  }

  sim::Radio radio;
  int64_t now = 0;
};

TEST_F(RadioFaultTest, NoEchoWithholdsTheEchoOfTheTriggeringFrameOnly) {
  inject(FaultKind::NoEcho, FaultTrigger::frame(1));
  const Heard first = send(wire::kIdentify);
  const Heard second = send(wire::kIdentify);
  const Heard third = send(wire::kIdentify);

  EXPECT_TRUE(first.echoed);
  EXPECT_FALSE(second.echoed);
  // Nothing but the answer on the line: the radio itself still heard the request.
  EXPECT_EQ(second.line, (Bytes{0xFE, 0xFE, 0xEF, 0xEE, 0xE1, 0x23, 0x20, 0x00, 0x01, 0xFD}));
  EXPECT_TRUE(third.echoed);
}

TEST_F(RadioFaultTest, NoEchoOnASubCommand) {
  inject(FaultKind::NoEcho, FaultTrigger::subCommand(0x94));
  EXPECT_FALSE(send(wire::e8(0x94, 0)).echoed);
  EXPECT_TRUE(send(wire::e8(0x98, 0)).echoed);
}

TEST_F(RadioFaultTest, NoAnswerOnceCountsEveryReceivedFrame) {
  inject(FaultKind::NoAnswer, FaultTrigger::frame(1), /*once=*/true);
  sendRaw({0xFE, 0xFE, 0x10, 0xEF, 0xE0, 0xFD});  // frame 0, for someone else
  const Heard silent = send(wire::kIdentify);     // frame 1
  const Heard again = send(wire::kIdentify);

  EXPECT_TRUE(silent.echoed);
  EXPECT_TRUE(silent.answers.empty());
  EXPECT_EQ(again.answers.size(), 1u);
}

TEST_F(RadioFaultTest, NoAnswerOnASubCommandLeavesOtherReadingsAlone) {
  inject(FaultKind::NoAnswer, FaultTrigger::subCommand(0x98));
  EXPECT_TRUE(send(wire::e8(0x98, 0)).answers.empty());
  EXPECT_EQ(send(wire::e8(0x94, 0)).answers.size(), 1u);
}

TEST_F(RadioFaultTest, IdentityFaultsChangeWhatE1Reports) {
  const std::pair<FaultKind, Bytes> cases[] = {
      {FaultKind::WrongModel, {0xEF, 0xEE, 0xE1, 0x23, 0x21, 0x00, 0x01}},
      {FaultKind::WrongSubName, {0xEF, 0xEE, 0xE1, 0x23, 0x20, 0x00, 0x02}},
  };
  for (const auto& [kind, expected] : cases) {
    radio.clearFaults();
    inject(kind, FaultTrigger::always());
    const Heard heard = send(wire::kIdentify);
    ASSERT_EQ(heard.answers.size(), 1u);
    EXPECT_EQ(heard.answers[0], expected);
  }
}

TEST_F(RadioFaultTest, StallSendsOnlyTheFirstCloneFramesAndNoEnd) {
  inject(FaultKind::StallAfterCloneFrames, FaultTrigger::always(), false, 40);
  const Heard heard = send(wire::kCloneRead);
  ASSERT_EQ(heard.answers.size(), 40u);
  EXPECT_TRUE(std::all_of(heard.answers.begin(), heard.answers.end(), [](const Bytes& f) { return f[2] == 0xE4; }));
}

TEST_F(RadioFaultTest, BadChecksumSpoilsOnlyTheChosenCloneFrame) {
  inject(FaultKind::BadChecksum, FaultTrigger::cloneFrame(7));
  const Heard heard = send(wire::kCloneRead);
  ASSERT_EQ(heard.answers.size(), 257u);
  for (int k = 0; k < 256; ++k) {
    const auto block = wire::decodeBlock(heard.answers[static_cast<size_t>(k)]);
    ASSERT_TRUE(block);
    EXPECT_EQ(wire::byteSum(*block) != 0, k == 7) << "frame " << k;
  }
}

TEST_F(RadioFaultTest, BadE5AltersTheSignature) {
  inject(FaultKind::BadE5, FaultTrigger::cloneEnd());
  const Heard heard = send(wire::kCloneRead);
  ASSERT_EQ(heard.answers.size(), 257u);
  EXPECT_EQ(heard.answers.back()[2], 0xE5);
  EXPECT_EQ(heard.answers.back().size(), 12u);
  EXPECT_NE(wire::text(heard.answers.back(), 3), "Torv Inc.");
}

TEST_F(RadioFaultTest, NoiseBetweenFramesHasAStrayEndButNoPreambleAndSparesTheFrames) {
  inject(FaultKind::NoiseBetweenFrames, FaultTrigger::always());
  const Bytes request = wire::frameToRadio(wire::kCloneRead);
  const Heard heard = send(wire::kCloneRead);

  ASSERT_TRUE(heard.echoed);
  ASSERT_EQ(heard.answers.size(), 257u);  // every frame still intact
  EXPECT_EQ(wire::text(heard.answers.back(), 3), "Torv Inc.");
  const auto gapBegin = heard.line.begin() + static_cast<long>(request.size());
  const auto gapEnd = std::find(gapBegin, heard.line.end(), 0xFE);
  EXPECT_NE(std::find(gapBegin, gapEnd, 0xFD), gapEnd) << "no stray FD before the first frame";
  EXPECT_GT(gapEnd - gapBegin, 1);
}

TEST_F(RadioFaultTest, NoiseOnASubCommandOnlyPrecedesThatAnswer) {
  inject(FaultKind::NoiseBetweenFrames, FaultTrigger::subCommand(0x94));
  const Heard quiet = send(wire::e8(0x98, 0));
  const Heard noisy = send(wire::e8(0x94, 0));
  EXPECT_EQ(quiet.line.size(), 13u + 13u);  // echo and answer, nothing else
  EXPECT_GT(noisy.line.size(), 13u + 13u);
  EXPECT_EQ(noisy.answers.size(), 1u);
}

TEST_F(RadioFaultTest, AtisNeverConfirmedAnswersAnotherStatusAndKeepsTheGeneratorOff) {
  inject(FaultKind::AtisNeverConfirmed, FaultTrigger::always());
  const Heard heard = send(wire::e8(0x03, 2));
  ASSERT_EQ(heard.answers.size(), 1u);
  EXPECT_EQ(heard.answers[0][7], 0x03);
  EXPECT_NE(heard.answers[0][9], '5');
  EXPECT_EQ(radio.atisMode(), 0);
}

TEST_F(RadioFaultTest, MalformedValueSendsNonHexDigits) {
  inject(FaultKind::MalformedValue, FaultTrigger::subCommand(0x94));
  const Heard bad = send(wire::e8(0x94, 0));
  const Heard good = send(wire::e8(0x98, 0));
  ASSERT_EQ(bad.answers.size(), 1u);
  EXPECT_EQ(bad.answers[0][8], 'G');
  EXPECT_EQ(bad.answers[0][9], 'Z');
  ASSERT_EQ(good.answers.size(), 1u);
  EXPECT_TRUE(wire::hexNibble(good.answers[0][8]) && wire::hexNibble(good.answers[0][9]));
}

TEST_F(RadioFaultTest, WrongSubCommandRepeatsAnotherSubCommand) {
  inject(FaultKind::WrongSubCommand, FaultTrigger::subCommand(0x99));
  const Heard heard = send(wire::e8(0x99, 0));
  ASSERT_EQ(heard.answers.size(), 1u);
  EXPECT_NE(heard.answers[0][7], 0x99);
}

}  // namespace
