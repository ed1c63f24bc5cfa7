#include "model/clsIndEep_RigR4T.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "support/RecordingWindow.h"

namespace pw {
namespace {

constexpr int16_t kInt = 0;
constexpr int16_t kUsa = 1;
constexpr int16_t kCan = 2;
constexpr int16_t kWx = 3;

class ChannelMapTest : public ::testing::Test {
 protected:
  void Put(int32_t adr, uint8_t value) { ASSERT_EQ(eep.WriteByte(adr, value), 0); }

  clsCmcEeprom eep;
  clsIndEep_RigR4T map{eep};
};

// ---- Fixed table -------------------------------------------------------------

struct TableCase {
  int16_t group;
  int16_t chNo;
  const char* name;
  int32_t tx;
  int32_t rx;
};

class ChannelTableTest : public ChannelMapTest, public ::testing::WithParamInterface<TableCase> {};

TEST_P(ChannelTableTest, RowHasItsNameAndFrequencies) {
  const TableCase& c = GetParam();
  EXPECT_EQ(map.RigR4TEep_GetChName(c.group, c.chNo), c.name);
  EXPECT_EQ(map.RigR4TEep_GetChFreqTxReal(c.group, c.chNo), c.tx);
  EXPECT_EQ(map.RigR4TEep_GetChFreqRxOrg(c.group, c.chNo), c.rx);
}

INSTANTIATE_TEST_SUITE_P(Rows, ChannelTableTest,
                         ::testing::Values(TableCase{kUsa, 0, " 00 ", 156000000, 160600000},
                                           TableCase{kUsa, 1, " 00A", 156000000, 156000000},
                                           TableCase{kInt, 32, " 16 ", 156800000, 161400000},
                                           TableCase{kInt, 119, " 59A", 158950000, 158950000},
                                           // From channel 60 on the raster is offset by 25 kHz.
                                           TableCase{kCan, 120, " 60 ", 156025000, 160625000},
                                           TableCase{kCan, 200, "100 ", 158025000, 162625000},
                                           TableCase{kInt, 233, "116A", 158825000, 158825000},
                                           TableCase{kWx, 0, "WX 1", 162550000, 162550000},
                                           TableCase{kWx, 7, "WX 8", 161650000, 161650000},
                                           TableCase{kWx, 9, "WX10", 163275000, 163275000},
                                           TableCase{kWx, 10, "", 0, 0}, TableCase{kWx, 11, "", 0, 0}));

// ---- Channel flags -----------------------------------------------------------

struct FlagCase {
  uint8_t flags;
  bool appear;
  bool txInh;
  int32_t rxReal;
};

class ChannelFlagTest : public ChannelMapTest, public ::testing::WithParamInterface<FlagCase> {};

TEST_P(ChannelFlagTest, FlagByteOfChannel00DecidesAppearanceTxAndReceiveFrequency) {
  const FlagCase& c = GetParam();
  Put(0x000, c.flags);  // USA channel 00
  EXPECT_EQ(map.RigR4TEep_GetChByte(kUsa, 0), c.flags);
  EXPECT_EQ(map.RigR4TEep_GetChAppear(kUsa, 0), c.appear);
  EXPECT_EQ(map.RigR4TEep_GetChTxInh(kUsa, 0), c.txInh);
  EXPECT_EQ(map.RigR4TEep_GetChFreqRxReal(kUsa, 0), c.rxReal);
  EXPECT_EQ(map.RigR4TEep_GetChFreqTxReal(kUsa, 0), 156000000);
}

INSTANTIATE_TEST_SUITE_P(Flags, ChannelFlagTest,
                         ::testing::Values(FlagCase{0x00, true, false, 160600000},
                                           FlagCase{0x02, true, false, 156000000},
                                           FlagCase{0x80, false, false, 160600000},
                                           FlagCase{0x04, true, true, 160600000},
                                           FlagCase{0x86, false, true, 156000000}));

TEST_F(ChannelMapTest, EachRegionReadsItsOwnFlagTable) {
  Put(0x100 + 5, 0x80);  // INT
  Put(0x000 + 6, 0x80);  // USA
  Put(0x200 + 7, 0x80);  // CAN
  for (int16_t ch : {5, 6, 7}) {
    EXPECT_EQ(map.RigR4TEep_GetChAppear(kInt, ch), ch != 5) << ch;
    EXPECT_EQ(map.RigR4TEep_GetChAppear(kUsa, ch), ch != 6) << ch;
    EXPECT_EQ(map.RigR4TEep_GetChAppear(kCan, ch), ch != 7) << ch;
  }
}

// ---- Free channels -------------------------------------------------------------

TEST_F(ChannelMapTest, FreeChannelTakesNameAndFrequenciesFromItsRecord) {
  const int32_t rec = 0x300 + 8 * 2;  // FR 3
  Put(rec + 0, 'A');
  Put(rec + 1, 'B');
  Put(rec + 2, 'C');
  Put(rec + 3, 0x56);  // R = 22224: 22224 * 6250 + 21700000 = 160600000
  Put(rec + 4, 0xD0);
  Put(rec + 5, 0x61);  // T = 24960: 24960 * 6250 = 156000000
  Put(rec + 6, 0x80);
  const int16_t fr3 = 236;
  Put(0x000 + fr3, 0x02);  // a simplex bit does not apply to free channels

  EXPECT_EQ(map.RigR4TEep_GetChName(kUsa, fr3), "FR 3 (ABC)");
  EXPECT_EQ(map.RigR4TEep_GetChFreqTxReal(kUsa, fr3), 156000000);
  EXPECT_EQ(map.RigR4TEep_GetChFreqRxOrg(kUsa, fr3), 160600000);
  EXPECT_FALSE(map.RigR4TEep_GetChSimplex(kUsa, fr3));
  EXPECT_EQ(map.RigR4TEep_GetChFreqRxReal(kUsa, fr3), 160600000);
  EXPECT_EQ(map.RigR4TEep_GetFreeChRefFreq(fr3), 6250);
}

TEST_F(ChannelMapTest, EmptyFreeChannelRecordGivesOnlyTheReceiveOffset) {
  EXPECT_EQ(map.RigR4TEep_GetChName(kInt, 255).substr(0, 4), "FR22");
  EXPECT_EQ(map.RigR4TEep_GetChFreqTxReal(kInt, 255), 0);
  EXPECT_EQ(map.RigR4TEep_GetChFreqRxOrg(kInt, 255), 21700000);
}

// ---- Weather channels and groups -------------------------------------------------

TEST_F(ChannelMapTest, WeatherChannelsNeverTransmitAndReceiveOnTheirFrequency) {
  for (int16_t ch = 0; ch < 10; ++ch) {
    EXPECT_TRUE(map.RigR4TEep_GetChTxInh(kWx, ch)) << ch;
    EXPECT_TRUE(map.RigR4TEep_GetChSimplex(kWx, ch)) << ch;
    EXPECT_EQ(map.RigR4TEep_GetChFreqRxReal(kWx, ch), map.RigR4TEep_GetChFreqTxReal(kWx, ch)) << ch;
    EXPECT_EQ(map.RigR4TEep_GetChByte(kWx, ch), 255) << ch;
  }
}

struct WxHideCase {
  int32_t adr;
  uint8_t bits;
  int16_t hidden;  // the one weather channel these bits hide
};

class WeatherHideTest : public ChannelMapTest, public ::testing::WithParamInterface<WxHideCase> {};

TEST_P(WeatherHideTest, EachWeatherChannelHasItsOwnHideBit) {
  const WxHideCase& c = GetParam();
  Put(c.adr, c.bits);
  for (int16_t ch = 0; ch < 10; ++ch) EXPECT_EQ(map.RigR4TEep_GetChAppear(kWx, ch), ch != c.hidden) << ch;
  EXPECT_FALSE(map.RigR4TEep_GetChAppear(kWx, 10));
}

INSTANTIATE_TEST_SUITE_P(Bits, WeatherHideTest,
                         ::testing::Values(WxHideCase{0x3D4, 0x01, 0}, WxHideCase{0x3D4, 0x80, 7},
                                           WxHideCase{0x3D3, 0x01, 8}, WxHideCase{0x3D3, 0x02, 9}));

struct GroupCase {
  uint8_t switches;  // 0x3D5
  uint8_t wxHide1to8;
  uint8_t wxHide9to10;
  std::vector<bool> appear;  // groups 0 to 4
};

class GroupAppearTest : public ChannelMapTest, public ::testing::WithParamInterface<GroupCase> {};

TEST_P(GroupAppearTest, GroupAppearsBySwitchAndWeatherNeedsAVisibleChannel) {
  const GroupCase& c = GetParam();
  Put(0x3D5, c.switches);
  Put(0x3D4, c.wxHide1to8);
  Put(0x3D3, c.wxHide9to10);
  for (int16_t g = 0; g < 5; ++g) EXPECT_EQ(map.RigR4TEep_GetChGroupAppear(g), c.appear[g]) << "group " << g;
  EXPECT_FALSE(map.RigR4TEep_GetChGroupAppear(-1));
}

INSTANTIATE_TEST_SUITE_P(Switches, GroupAppearTest,
                         ::testing::Values(GroupCase{0x00, 0x00, 0x00, {true, false, false, false, false}},
                                           GroupCase{0x01, 0x00, 0x00, {true, true, false, false, false}},
                                           GroupCase{0x04, 0x00, 0x00, {true, false, true, false, false}},
                                           GroupCase{0x02, 0x00, 0x00, {true, false, false, true, false}},
                                           GroupCase{0x02, 0xFF, 0xFF, {true, false, false, false, false}},
                                           GroupCase{0x02, 0xFF, 0x01, {true, false, false, true, false}},
                                           GroupCase{0x07, 0xFF, 0x03, {true, true, true, false, false}},
                                           // Weather channels alone do not switch their group on.
                                           GroupCase{0x05, 0x00, 0x00, {true, true, true, false, false}}));

TEST_F(ChannelMapTest, JapanVersionIsRegionCode4) {
  for (int code : {0, 3, 4, 5, 0x84}) {
    Put(0x3F9, static_cast<uint8_t>(code));
    EXPECT_EQ(map.RigR4TEep_GetIfJpn(), code == 4) << code;
  }
}

// ---- Channels outside the table ---------------------------------------------------

TEST_F(ChannelMapTest, ChannelsOutsideTheTableAreEmptyHiddenAndNeverTransmit) {
  // The image is all zero, so any read of a flag byte would make the
  // channel appear and transmit.
  struct Probe {
    int16_t group;
    int16_t chNo;
  };
  const std::vector<Probe> probes = {{kUsa, 268},  {kUsa, 32767}, {kUsa, -1},  {kInt, -32768}, {kWx, 12},
                                     {kWx, 32767}, {kWx, -1},     {kWx, -256}, {7, 268},       {-1, -5}};
  for (const Probe& p : probes) {
    SCOPED_TRACE(::testing::Message() << "group " << p.group << " chNo " << p.chNo);
    EXPECT_EQ(map.RigR4TEep_GetChName(p.group, p.chNo), "");
    EXPECT_EQ(map.RigR4TEep_GetChFreqTxReal(p.group, p.chNo), 0);
    EXPECT_EQ(map.RigR4TEep_GetChFreqRxOrg(p.group, p.chNo), 0);
    EXPECT_EQ(map.RigR4TEep_GetChFreqRxReal(p.group, p.chNo), 0);
    EXPECT_FALSE(map.RigR4TEep_GetChAppear(p.group, p.chNo));
    EXPECT_TRUE(map.RigR4TEep_GetChTxInh(p.group, p.chNo));
    EXPECT_EQ(map.RigR4TEep_GetChByte(p.group, p.chNo), 255);
  }
}

// ---- Parameter dump -------------------------------------------------------------

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "text after the last CR LF";
  return lines;
}

TEST_F(ChannelMapTest, FreshImageDumpsTheZeroOfEveryParameter) {
  const std::vector<std::string> lines = SplitCrLf(map.RigR4TEep_DispParaText());
  ASSERT_EQ(lines.size(), 128u);
  for (size_t k = 0; k < lines.size(); ++k) {
    EXPECT_EQ(lines[k].size(), 29u) << lines[k];
    EXPECT_EQ(lines[k].substr(25), "   0") << lines[k];
    EXPECT_EQ(lines[k].find(std::string(clsIndEep_RigR4T::ParameterMap()[k].name) + ": "),
              25 - clsIndEep_RigR4T::ParameterMap()[k].name.size() - 2)
        << lines[k];
  }
  EXPECT_EQ(lines[27], " BPF Tracking T1 Adjust:    0");
}

TEST_F(ChannelMapTest, DumpShowsSignedAndUnsignedBytes) {
  Put(0xF60, 0x80);
  Put(0xF61, 0x80);
  Put(0xFE8, 0xFF);
  Put(0xFEC, 0xFF);
  Put(0xFEE, 0x7F);
  const std::vector<std::string> lines = SplitCrLf(map.RigR4TEep_DispParaText());
  ASSERT_EQ(lines.size(), 128u);
  EXPECT_EQ(lines[0], "            MOD Initial:  128");
  EXPECT_EQ(lines[1], "             MOD Adjust: -128");
  EXPECT_EQ(lines[121], "  BPF Tracking T1 Level:   -1");
  EXPECT_EQ(lines[125], "           POW HI Level:  255");
  EXPECT_EQ(lines[127], "        POW E-LOW Level:  127");
}

TEST(ParameterMap, CoversBothAddressBlocksInOrder) {
  const auto& rows = clsIndEep_RigR4T::ParameterMap();
  std::vector<int32_t> expected;
  for (int32_t a = 0xF60; a <= 0xFA0; ++a) expected.push_back(a);
  for (int32_t a = 0xFB0; a <= 0xFEE; ++a) expected.push_back(a);
  std::vector<int32_t> addresses;
  std::set<std::string_view> names;
  for (const auto& row : rows) {
    addresses.push_back(row.adr);
    names.insert(row.name);
  }
  EXPECT_EQ(addresses, expected);
  EXPECT_EQ(names.size(), rows.size()) << "duplicate names";
}

TEST_F(ChannelMapTest, DispParaReplacesTheTextBoxWithTheDump) {
  Put(0xF61, 0x80);
  test::RecordingWindow window;
  window.dispPara = "old dump";
  map.RigR4TEep_DispPara(window);
  EXPECT_EQ(window.dispPara, map.RigR4TEep_DispParaText());
}

}  // namespace
}  // namespace pw
