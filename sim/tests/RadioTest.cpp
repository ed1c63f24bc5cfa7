#include "sim/Analog.h"
#include "sim/Radio.h"
#include "TestName.h"
#include "Wire.h"

#include <gtest/gtest.h>

#include <cstdio>

using wire::Bytes;

namespace {

// Integer ms at which the n-th byte (1-based) of a run that starts at startMs
// has fully crossed a 9600-baud line.
int64_t crossedMs(int64_t startMs, int n) { return startMs + (n * 1000 + 959) / 960; }

class RadioTest : public ::testing::Test {
 protected:
  // Sends one frame at atMs and returns everything the program would hear.
  std::vector<wire::Timed> exchange(const Bytes& payload, int64_t atMs = 0) {
    radio.Receive(wire::frameToRadio(payload), atMs);
    return wire::runUntilQuiet(radio);
  }
  std::vector<Bytes> answersTo(const Bytes& payload) { return wire::answers(wire::bytesOf(exchange(payload))); }
  // The single value an E8 read request gets back, decoded on the test side.
  std::optional<int> ask(uint8_t sub, uint8_t value = 0) {
    const auto got = answersTo(wire::e8(sub, value));
    if (got.size() != 1 || got[0].size() != 10) return std::nullopt;
    const auto hi = wire::hexNibble(got[0][8]);
    const auto lo = wire::hexNibble(got[0][9]);
    if (!hi || !lo) return std::nullopt;
    return *hi * 16 + *lo;
  }

  sim::Radio radio;
};

// --------------------------------------------------------------- the line

TEST_F(RadioTest, EchoesEveryByteWhenItHasCrossedTheWireThenAnswersAfterTurnaround) {
  const Bytes request = wire::frameToRadio(wire::kIdentify);
  const auto heard = exchange(wire::kIdentify, 100);

  ASSERT_EQ(heard.size(), request.size() + 10);  // echo, then the 10-byte E1 frame
  for (size_t k = 0; k < request.size(); ++k) {
    EXPECT_EQ(heard[k].byte, request[k]);
    EXPECT_EQ(heard[k].ms, crossedMs(100, static_cast<int>(k + 1))) << "echo byte " << k;
  }
  // Echo ends at 110.42 ms; 2 ms turnaround; ten answer bytes at 960/s.
  EXPECT_EQ(heard[request.size()].ms, 114);
  EXPECT_EQ(heard.back().ms, 123);
}

TEST_F(RadioTest, BytesWrittenWhileTheLineIsBusyQueueBehindTheEarlierOnes) {
  radio.Receive({0x01, 0x02, 0x03, 0x04, 0x05}, 0);
  radio.Receive({0x06, 0x07, 0x08, 0x09, 0x0A}, 2);
  const auto heard = wire::runUntilQuiet(radio);

  ASSERT_EQ(heard.size(), 10u);  // stray bytes outside frames are echoed too
  EXPECT_EQ(heard[5].byte, 0x06);
  EXPECT_EQ(heard[5].ms, crossedMs(0, 6));
  EXPECT_EQ(heard.back().ms, crossedMs(0, 10));
}

TEST_F(RadioTest, WithoutPacingEchoAndAnswerAreDueAtOnce) {
  radio.setPacing(false);
  radio.Receive(wire::frameToRadio(wire::kIdentify), 50);
  EXPECT_EQ(radio.NextDueMs(), 50);
  const Bytes heard = radio.Transmit(50);
  EXPECT_EQ(wire::answers(heard).size(), 1u);
  EXPECT_EQ(radio.NextDueMs(), -1);
}

TEST_F(RadioTest, FrameSplitOverTwoWritesIsEchoedInOrderAndAnswered) {
  const Bytes request = wire::frameToRadio(wire::kIdentify);
  radio.Receive(Bytes(request.begin(), request.begin() + 4), 0);
  radio.Receive(Bytes(request.begin() + 4, request.end()), 7);
  const Bytes heard = wire::bytesOf(wire::runUntilQuiet(radio));

  ASSERT_GE(heard.size(), request.size());
  EXPECT_EQ(Bytes(heard.begin(), heard.begin() + static_cast<long>(request.size())), request);
  EXPECT_EQ(wire::answers(heard).size(), 1u);
}

// ---------------------------------------------------------- identification

TEST_F(RadioTest, IdentifiesOnlyWhenAskedForItsModel) {
  EXPECT_EQ(answersTo(wire::kIdentify), (std::vector<Bytes>{{0xEF, 0xEE, 0xE1, 0x23, 0x20, 0x00, 0x01}}));
  EXPECT_TRUE(answersTo({0xE0, 0x23, 0x21, 0x00, 0x00}).empty());
}

TEST(RadioVariant, ReportsAndExpectsItsOwnSubName) {
  sim::RadioOptions options;
  options.subName = 0x0002;
  sim::Radio radio(options);
  radio.Receive(wire::frameToRadio(wire::kIdentify), 0);
  radio.Receive(wire::frameToRadio(wire::e8(0x94, 0, 0x0001)), 100);  // old sub name: ignored
  const auto got = wire::answers(wire::bytesOf(wire::runUntilQuiet(radio)));

  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], (Bytes{0xEF, 0xEE, 0xE1, 0x23, 0x20, 0x00, 0x02}));
}

TEST_F(RadioTest, IgnoresFramesForAnotherAddress) {
  radio.Receive({0xFE, 0xFE, 0x10, 0xEF, 0xE0, 0x23, 0x20, 0x00, 0x00, 0xFD}, 0);
  EXPECT_TRUE(wire::answers(wire::bytesOf(wire::runUntilQuiet(radio))).empty());
}

// -------------------------------------------------------------- clone read

TEST_F(RadioTest, CloneReadSendsTheWholeMemoryAsCheckedBlocksThenTheSignature) {
  radio.poke(0x123, 0x5A);
  const auto heard = exchange(wire::kCloneRead);
  const auto got = wire::answers(wire::bytesOf(heard));

  ASSERT_EQ(got.size(), 257u);
  sim::Memory image{};
  for (int k = 0; k < 256; ++k) {
    const auto block = wire::decodeBlock(got[static_cast<size_t>(k)]);
    ASSERT_TRUE(block) << "frame " << k;
    ASSERT_EQ(block->size(), 20u);
    const int adr = (*block)[0] * 256 + (*block)[1];
    EXPECT_EQ(adr, k * 16);
    EXPECT_EQ((*block)[2], 16);
    EXPECT_EQ(wire::byteSum(*block), 0) << "checksum of frame " << k;
    std::copy(block->begin() + 3, block->end() - 1, image.begin() + adr);
  }
  EXPECT_EQ(image, radio.memory());
  EXPECT_EQ(image[0x123], 0x5A);
  EXPECT_EQ(got.back()[2], 0xE5);
  EXPECT_EQ(wire::text(got.back(), 3), "Torv Inc.");
  // 11 801 bytes at 960/s: the read takes about 12.3 s, back to back.
  EXPECT_NEAR(static_cast<double>(heard.back().ms), 12'295.0, 10.0);
}

TEST_F(RadioTest, CloneReadNeedsTheRadiosIdentity) { EXPECT_TRUE(answersTo({0xE2, 0x23, 0x20, 0x00, 0x02}).empty()); }

// ------------------------------------------------------------ E8 commands

struct WriteCase {
  uint8_t sub;
  uint8_t value;
  int adr;
};

void PrintTo(const WriteCase& c, std::ostream* os) {
  *os << "sub " << int{c.sub} << " value " << int{c.value} << " at " << c.adr;
}

class RadioWriteTest : public RadioTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(RadioWriteTest, StoresTheValueAndDoesNotAnswer) {
  const auto [sub, value, adr] = GetParam();
  EXPECT_TRUE(answersTo(wire::e8(sub, value)).empty());
  EXPECT_EQ(radio.peek(adr), value);
}

INSTANTIATE_TEST_SUITE_P(Adjustments, RadioWriteTest,
                         ::testing::Values(WriteCase{0x08, 0x3F, 0xFE4},   // MOD
                                           WriteCase{0x09, 0x41, 0xFE5},   // ATIS 1300 Hz
                                           WriteCase{0x0A, 0x42, 0xFE6},   // ATIS 2100 Hz
                                           WriteCase{0x0E, 0x43, 0xFE7},   // ATIS Japan
                                           WriteCase{0x0B, 0x51, 0xFED},   // power LO
                                           WriteCase{0x0C, 0x52, 0xFEC},   // power HI
                                           WriteCase{0x0D, 0x53, 0xFEE},   // power EL
                                           WriteCase{0x10, 0xEC, 0xFE8},   // BPF T1 = -20
                                           WriteCase{0x13, 0x7F, 0xFEB},   // BPF T4 = 127
                                           WriteCase{0x20, 0x77, 0xFBC},   // REF 0
                                           WriteCase{0x33, 0x78, 0xFCF},   // REF 19
                                           WriteCase{0x70, 0x01, 0xFB6},   // SQL TION
                                           WriteCase{0x75, 0xFF, 0xFBB}),  // SQL THCN
                         [](const auto& info) {
                           char name[16];
                           std::snprintf(name, sizeof name, "Sub%02X", info.param.sub);
                           return std::string(name);
                         });

TEST_F(RadioTest, SignedBpfValueDrivesItsTrackingVoltage) {
  answersTo(wire::e8(0x11, 0xEC));  // T2 = -20
  EXPECT_EQ(radio.peek(0xFE9), 0xEC);
  EXPECT_EQ(ask(0x83), 108);
}

TEST_F(RadioTest, DialModeSelectsTheGroupAndUnknownValuesAreIgnored) {
  const std::pair<uint8_t, sim::Group> cases[] = {
      {4, sim::Group::Usa}, {1, sim::Group::Can}, {0x20, sim::Group::Wx}, {3, sim::Group::Wx}, {2, sim::Group::Int}};
  for (const auto& [value, group] : cases) {
    answersTo(wire::e8(0x00, value));
    EXPECT_EQ(radio.group(), group) << "dial mode value " << int{value};
  }
}

TEST_F(RadioTest, ChannelAndRfPowerAreRemembered) {
  answersTo(wire::e8(0x01, 0x41));
  answersTo(wire::e8(0x02, 2));
  answersTo(wire::e8(0x02, 3));  // no such power level
  EXPECT_EQ(radio.channel(), 0x41);
  EXPECT_EQ(radio.rfPower(), 2);
  EXPECT_EQ(ask(0x81), radio.peek(0xFEE));  // POWCON follows the selected level
}

TEST_F(RadioTest, EveryReadingAnswersWithItsSubCommandAndTwoHexDigits) {
  const uint8_t subs[] = {0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x90, 0x91, 0x92, 0x93,
                          0x94, 0x95, 0x96, 0x98, 0x99, 0x9A, 0x9B, 0xA0, 0xA1};
  for (uint8_t sub : subs) {
    SCOPED_TRACE(testing::Message() << "sub-command 0x" << std::hex << int{sub});
    const auto got = answersTo(wire::e8(sub, 0));
    ASSERT_EQ(got.size(), 1u);
    const Bytes& a = got[0];
    ASSERT_EQ(a.size(), 10u);  // EF EE E8, identity, sub, two digits
    EXPECT_EQ(Bytes(a.begin(), a.begin() + 8), (Bytes{0xEF, 0xEE, 0xE8, 0x23, 0x20, 0x00, 0x01, sub}));
    ASSERT_TRUE(wire::hexNibble(a[8]) && wire::hexNibble(a[9]) && radio.reading(sub));
    EXPECT_EQ(*wire::hexNibble(a[8]) * 16 + *wire::hexNibble(a[9]), int{*radio.reading(sub)});
  }
}

TEST_F(RadioTest, UnknownOrGarbledRequestsGetNoAnswer) {
  EXPECT_TRUE(answersTo(wire::e8(0x97, 0)).empty());  // never a reading
  EXPECT_TRUE(answersTo({0xE8, 0x23, 0x20, 0x00, 0x01, 0x94, 'X', '0'}).empty());
  EXPECT_TRUE(answersTo({0xE8, 0x23, 0x20, 0x00, 0x01, 0x94}).empty());
}

TEST_F(RadioTest, CalculatedSquelchPointsFollowTheStoredThresholds) {
  answersTo(wire::e8(0x73, 90));  // THON
  answersTo(wire::e8(0x75, 80));  // THCN
  EXPECT_EQ(ask(0xA0), 90);
  EXPECT_EQ(ask(0xA1), 80);
}

TEST_F(RadioTest, FrequencyControlUsesTheReferenceEntryOfTheTemperatureBand) {
  for (int i = 0; i < 20; ++i) radio.poke(0xFBC + i, static_cast<uint8_t>(100 + i));
  radio.setTemperatureC(-10.0);
  const auto cold = ask(0x80);
  radio.setTemperatureC(40.0);
  const auto warm = ask(0x80);
  ASSERT_TRUE(cold && warm);
  EXPECT_LT(*cold, *warm);
  answersTo(wire::e8(static_cast<uint8_t>(0x20 + *warm - 100), 0x33));  // rewrite that entry
  EXPECT_EQ(ask(0x80), 0x33);
}

TEST_F(RadioTest, BenchConditionsReachTheReadings) {
  radio.setSupplyVolts(13.76);
  EXPECT_EQ(ask(0x9B), 255);
  radio.setTestSignal(-20.0);
  const auto noNoise = ask(0x99);
  radio.setTestSignal(30.0);
  const auto quieted = ask(0x99);
  ASSERT_TRUE(noNoise && quieted);
  EXPECT_GT(*noNoise, *quieted);
}

// ------------------------------------------------------------------ ATIS

struct AtisCase {
  bool japan;
  bool japanRefusesTones;
  int mode;
  int status;
};

void PrintTo(const AtisCase& c, std::ostream* os) { *os << (c.japan ? "japan" : "export") << " mode " << c.mode; }

class RadioAtisTest : public ::testing::TestWithParam<AtisCase> {};

TEST_P(RadioAtisTest, ConfirmsWithStatusFiveAndRemembersOnlyConfirmedModes) {
  const auto c = GetParam();
  sim::RadioOptions options;
  options.japan = c.japan;
  options.japanRefusesToneModes = c.japanRefusesTones;
  sim::Radio radio(options);
  radio.Receive(wire::frameToRadio(wire::e8(0x03, static_cast<uint8_t>(c.mode))), 0);
  const auto got = wire::answers(wire::bytesOf(wire::runUntilQuiet(radio)));

  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0][7], 0x03);
  EXPECT_EQ(got[0][8], '0');
  EXPECT_EQ(got[0][9], '0' + c.status);
  EXPECT_EQ(radio.atisMode(), c.status == 5 ? c.mode : 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, RadioAtisTest,
                         ::testing::Values(AtisCase{false, true, 1, 5}, AtisCase{false, true, 4, 5},
                                           AtisCase{false, true, 5, 1},  // no such mode
                                           AtisCase{true, true, 3, 5}, AtisCase{true, true, 1, 1},
                                           AtisCase{true, true, 2, 1}, AtisCase{true, true, 4, 1},
                                           AtisCase{true, false, 2, 5}),
                         [](const auto& info) {
                           const auto& c = info.param;
                           return std::string(!c.japan              ? "Export"
                                              : c.japanRefusesTones ? "Japan"
                                                                    : "JapanAcceptingTones") +
                                  "Mode" + std::to_string(c.mode);
                         });

// -------------------------------------------------------------- frame log

TEST_F(RadioTest, LogsEachFrameInBothDirectionsWhenItHasCrossed) {
  std::vector<std::string> printed;
  radio.setFrameHook([&](const sim::FrameLogEntry& e) { printed.push_back(sim::formatFrame(e)); });
  const auto heard = exchange(wire::kIdentify, 100);

  ASSERT_EQ(radio.frameLog().size(), 2u);
  EXPECT_EQ(radio.frameLog()[0].timeMs, crossedMs(100, 10));
  EXPECT_EQ(radio.frameLog()[1].timeMs, heard.back().ms);
  EXPECT_EQ(printed,
            (std::vector<std::string>{"RX FE FE EE EF E0 23 20 00 00 FD", "TX FE FE EF EE E1 23 20 00 01 FD"}));
}

}  // namespace
