// Which channel the alignment works on: a channel named as the console
// shows it, and for keyed steps only a channel the radio may transmit on
// that is neither 16 nor 70, with its receive and transmit frequencies.
#include "align/AlignChannel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "support/Bench.h"
#include "support/ConsoleLines.h"

namespace pw {
namespace {

constexpr int16_t kInt = 0;
constexpr int16_t kUsa = 1;
constexpr int16_t kWx = 3;

constexpr int32_t kIntFlags = 0x100;
constexpr int32_t kGroupSwitches = 0x3D5;  // bit 0 USA, bit 1 WX
constexpr int32_t kFr1Record = 0x300;
constexpr int16_t kFr1 = 234;

using Writes = std::vector<std::pair<int32_t, uint8_t>>;

// FR 1 named "ABC", transmitting on T x 6250 Hz and receiving on 160.600 MHz.
Writes FreeChannel1(uint16_t t) {
  return {{kFr1Record + 0, 'A'},  {kFr1Record + 1, 'B'},    {kFr1Record + 2, 'C'},     {kFr1Record + 3, 0x56},
          {kFr1Record + 4, 0xD0}, {kFr1Record + 5, t >> 8}, {kFr1Record + 6, t & 0xFF}};
}

Writes operator+(Writes a, const Writes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct Expected {
  int16_t group;
  int16_t chNo;  // -1: no channel
  const char* name;
  int32_t rxHz;
  int32_t txHz;
};

class AlignChannelTest : public ::testing::Test {
 protected:
  void Load(const Writes& writes) {
    eep = clsCmcEeprom();
    for (const auto& [adr, value] : writes) ASSERT_EQ(eep.WriteByte(adr, value), 0);
  }
  static void ExpectChannel(const std::optional<AlignChannel::Channel>& got, const Expected& expected) {
    if (expected.chNo < 0) {
      EXPECT_FALSE(got.has_value());
      return;
    }
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->group, expected.group);
    EXPECT_EQ(got->chNo, expected.chNo);
    EXPECT_EQ(got->name, expected.name);
    EXPECT_EQ(got->rxHz, expected.rxHz);
    EXPECT_EQ(got->txHz, expected.txHz);
  }

  clsCmcEeprom eep;
  clsIndEep_RigR4T map{eep};
  AlignChannel channels{map};
};

struct ChoiceCase {
  const char* what;
  Writes image;
  int16_t group;
  int16_t chNo;
  Expected expected;
};

TEST_F(AlignChannelTest, KeyedStepsTransmitOnlyWhereTheyMay) {
  const std::vector<ChoiceCase> cases = {
      {"a duplex channel receives 4.6 MHz above", {}, kInt, 12, {kInt, 12, "INT 06", 160900000, 156300000}},
      {"a simplex channel", {}, kInt, 13, {kInt, 13, "INT 06A", 156300000, 156300000}},
      {"a duplex channel the radio uses simplex",
       {{kIntFlags + 12, 0x02}},
       kInt,
       12,
       {kInt, 12, "INT 06", 156300000, 156300000}},
      {"16, and 16A after it, give way to 17", {}, kInt, 32, {kInt, 34, "INT 17", 161450000, 156850000}},
      {"70, and 70A after it, give way to 71", {}, kInt, 140, {kInt, 142, "INT 71", 161175000, 156575000}},
      {"a channel the radio inhibits gives way to the next",
       {{kIntFlags + 20, 0x04}},
       kInt,
       20,
       {kInt, 21, "INT 10A", 156500000, 156500000}},
      {"so does a hidden one after it",
       {{kIntFlags + 20, 0x04}, {kIntFlags + 21, 0x80}},
       kInt,
       20,
       {kInt, 22, "INT 11", 161150000, 156550000}},
      {"the search goes round the group, past free channels never programmed",
       {{kIntFlags + 233, 0x04}},
       kInt,
       233,
       {kInt, 0, "INT 00", 160600000, 156000000}},
      {"a programmed free channel",
       FreeChannel1(24960),
       kInt,
       kFr1,
       {kInt, kFr1, "INT FR 1 (ABC)", 160600000, 156000000}},
      {"a free channel programmed off the marine band (150 MHz)",
       FreeChannel1(24000),
       kInt,
       kFr1,
       {kInt, 0, "INT 00", 160600000, 156000000}},
      {"a free channel on 16's frequency is 16",
       FreeChannel1(25088),
       kInt,
       kFr1,
       {kInt, 0, "INT 00", 160600000, 156000000}},
      {"a group the radio does not offer", {}, kUsa, 12, {0, -1, "", 0, 0}},
      {"a group it offers", {{kGroupSwitches, 0x01}}, kUsa, 12, {kUsa, 12, "USA 06", 160900000, 156300000}},
      {"the weather group never transmits", {{kGroupSwitches, 0x02}}, kWx, 0, {0, -1, "", 0, 0}},
  };
  for (const ChoiceCase& c : cases) {
    SCOPED_TRACE(c.what);
    Load(c.image);
    const auto got = channels.ForKeying(c.group, c.chNo);
    ExpectChannel(got, c.expected);
  }
}

TEST_F(AlignChannelTest, StepsThatOnlyReceiveKeepTheChannel) {
  const std::vector<ChoiceCase> cases = {
      {"16 may be listened to", {}, kInt, 32, {kInt, 32, "INT 16", 161400000, 156800000}},
      {"so may a channel the radio does not transmit on",
       {{kIntFlags + 20, 0x04}},
       kInt,
       20,
       {kInt, 20, "INT 10", 161100000, 156500000}},
      {"a weather channel", {{kGroupSwitches, 0x02}}, kWx, 0, {kWx, 0, "WX WX 1", 162550000, 162550000}},
      {"not a hidden one", {{kIntFlags + 20, 0x80}}, kInt, 20, {0, -1, "", 0, 0}},
      {"not one of a group the radio does not offer", {}, kUsa, 12, {0, -1, "", 0, 0}},
      {"not a free channel never programmed: it receives off the band", {}, kInt, kFr1, {0, -1, "", 0, 0}},
  };
  for (const ChoiceCase& c : cases) {
    SCOPED_TRACE(c.what);
    Load(c.image);
    const auto got = channels.ForReceiving(c.group, c.chNo);
    ExpectChannel(got, c.expected);
  }
}

TEST_F(AlignChannelTest, AChannelIsNamedAsTheConsoleShowsIt) {
  Load(FreeChannel1(24960) + Writes{{kIntFlags + 14, 0x80}, {kGroupSwitches, 0x02}});
  struct Case {
    const char* text;
    int16_t group;
    int16_t chNo;  // -1: none
  };
  const std::vector<Case> cases = {
      {"INT 06", kInt, 12},
      {"int   06a", kInt, 13},
      {"  INT 16  ", kInt, 32},
      {"INT 116A", kInt, 233},
      {"INT FR 1", kInt, kFr1},
      {"INT FR 1 (abc)", kInt, kFr1},
      {"WX WX 1", kWx, 0},
      {"INT 6", kInt, -1},  // the console shows two digits
      {"INT FR 1 (XYZ)", kInt, -1},
      {"INT 07", kInt, -1},  // hidden
      {"USA 06", kUsa, -1},  // a group the radio does not offer
      {"INT", kInt, -1},
      {"XYZ 06", kInt, -1},
      {"", kInt, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto got = channels.Find(c.text);
    if (c.chNo < 0) {
      EXPECT_FALSE(got.has_value());
    } else {
      ASSERT_TRUE(got.has_value());
      EXPECT_EQ(got->group, c.group);
      EXPECT_EQ(got->chNo, c.chNo);
    }
  }
}

TEST(AlignChannelOnTheConsole, WithoutANamedChannelTheConsolesChannelIsTaken) {
  test::Bench b;
  ASSERT_TRUE(b.Start());
  ASSERT_TRUE(b.ConnectAndSettle());
  clsIndOp_RigR4T& m = b.Model();
  ASSERT_EQ(m.dialTable()[static_cast<size_t>(m.curDialIndex())], kInt);
  // Channel 16 on the console, as the arrow keys would select it.
  const auto& list = m.chList();
  const auto at = std::find(list.begin(), list.begin() + b.Console().Max(test::kChNo) + 1, 32);
  ASSERT_NE(at, list.begin() + b.Console().Max(test::kChNo) + 1);
  b.Console().set_Value(test::kChNo, static_cast<int16_t>(at - list.begin()));
  ASSERT_TRUE(b.RunUntil([&] { return b.AllSent(); }, 2000));
  ASSERT_EQ(m.curChNo(), 32);

  const AlignChannel channels(m.eep());
  const auto listening = channels.ForStep("", m, false);
  ASSERT_TRUE(listening.has_value());
  EXPECT_EQ(listening->name, "INT 16");
  const auto keyed = channels.ForStep(" ", m, true);
  ASSERT_TRUE(keyed.has_value());
  EXPECT_GT(keyed->chNo, 32);
  EXPECT_NE(keyed->txHz, 156800000);

  // A named channel wins over the console's.
  const auto named = channels.ForStep("int 06", m, true);
  ASSERT_TRUE(named.has_value());
  EXPECT_EQ(named->name, "INT 06");
  EXPECT_FALSE(channels.ForStep("INT 6", m, true).has_value());
}

}  // namespace
}  // namespace pw
