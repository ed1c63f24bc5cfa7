// The squelch calculation run through the operation task against the
// simulated radio: two noise readings, a temperature reading, six thresholds.
#include <array>

#include "procedures/ProcedureBench.h"
#include "sim/tests/TestName.h"
#include "sim/Analog.h"
#include "sim/MemoryMap.h"

namespace pw::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr int kThresholdAdr = 0xFB6;

TEST(SqlProcedure, MeasuresTwoSignalsAndWritesSixThresholds) {
  ProcedureBench p;
  ASSERT_TRUE(p.Connect());
  const int16_t sql = p.Model().idxSql();
  const size_t mark = p.Mark();

  p.Enter(sql);
  ASSERT_TRUE(p.RunToStep(proc::SqlNoise1));
  EXPECT_EQ(p.Line(sql), "       SQL: Input 1st signal and push [Enter]");
  p.b.Run(1000);
  EXPECT_TRUE(SentValues(p.b.radio, 0x99, mark).empty()) << "no reading before Enter";

  p.b.radio.setTestSignal(0.0);
  p.Enter(sql);
  ASSERT_TRUE(p.RunToStep(proc::SqlNoise2));
  EXPECT_EQ(p.Line(sql), "       SQL: Input 2nd signal and push [Enter]");

  p.b.radio.setTestSignal(20.0);
  p.Enter(sql);
  ASSERT_TRUE(p.RunToBeep());
  EXPECT_EQ(p.b.window.beeps, 1);
  EXPECT_EQ(p.Model().procStep(), proc::None);
  EXPECT_EQ(p.Line(sql), "       SQL: [Enter] to Start");

  // Readings: NOIS 182 (0 dBuV), NOIS 23 (20 dBuV), TEMPS 173 (25 C).
  // Factory image: I 40, S 12 6 3 10, B 64 128 192; a 18, b 8, c 16.
  // T = 45*3/64 + 64*6/64 + 64*12/64 + 40 = 60.1 -> 60
  // K = 60 * (16/255 * 10/18 + 1) = 62.09 -> 62
  // TI: -4, 4, 0 + 23 - 62 = -43, -35, -39; shift 44 -> 1, 9, 5
  // TH: -6, 6, 0 + 182 - 60 = 116, 128, 122
  const std::vector<std::string> traffic = E8Traffic(p.b.radio, mark);
  EXPECT_THAT(traffic, ElementsAre("> 99 00", "< 99 B6", "> 99 00", "< 99 17", "> 94 00", "< 94 AD",  //
                                   "> 70 01", "> 71 09", "> 72 05", "> 73 74", "> 74 80", "> 75 7A"));
  const std::array<int, 6> expected{1, 9, 5, 116, 128, 122};
  for (int j = 0; j < 6; ++j) {
    EXPECT_EQ(p.b.Image().ReadByte(kThresholdAdr + j), expected[j]) << j;
    EXPECT_EQ(p.b.radio.peek(kThresholdAdr + j), expected[j]) << j;
  }
  // The thresholds go out one per call, each after the 20 ms wait.
  const std::vector<E8Frame> frames = E8Frames(p.b.radio, mark);
  for (size_t i = 7; i < frames.size(); ++i) EXPECT_GE(frames[i].timeMs - frames[i - 1].timeMs, 20) << i;
}

// The thresholds for hand-made radios: the curve flat at I (all slopes 0),
// so T = I whatever the temperature, and noise 1 = 182, noise 2 = 23.
struct SqlCase {
  const char* what;
  int initial, a, b, c;
  std::array<int, 6> offsets;
  std::array<int, 6> thresholds;
};

void PrintTo(const SqlCase& c, std::ostream* os) { *os << c.what; }

class SqlThresholds : public ::testing::TestWithParam<SqlCase> {};

TEST_P(SqlThresholds, FollowFromReadingsImageAndOffsets) {
  const SqlCase& c = GetParam();
  std::map<int, std::string> lines;
  for (int j = 0; j < 6; ++j) lines[24 + j] = std::to_string(c.offsets[static_cast<size_t>(j)]);
  ProcedureBench p({}, ConstIniWith(lines));
  p.b.radio.poke(sim::mem::kSqlControlInitial, static_cast<uint8_t>(c.initial));
  p.b.radio.poke(sim::mem::kSqlControlAdjust, static_cast<uint8_t>(c.c));
  for (int k = 0; k < 4; ++k) p.b.radio.poke(sim::mem::kSqlControlSlant1 + k, 0);
  p.b.radio.poke(sim::mem::kSqlTics, static_cast<uint8_t>(c.b));
  p.b.radio.poke(sim::mem::kSqlThcs, static_cast<uint8_t>(c.a));
  ASSERT_EQ(sim::analog::noiseCode(0.0), 182);
  ASSERT_EQ(sim::analog::noiseCode(20.0), 23);
  ASSERT_TRUE(p.Connect());

  const int16_t sql = p.Model().idxSql();
  p.Enter(sql);
  ASSERT_TRUE(p.RunToStep(proc::SqlNoise1));
  p.b.radio.setTestSignal(0.0);
  p.Enter(sql);
  ASSERT_TRUE(p.RunToStep(proc::SqlNoise2));
  p.b.radio.setTestSignal(20.0);
  p.Enter(sql);
  ASSERT_TRUE(p.RunToBeep());

  for (int j = 0; j < 6; ++j) {
    EXPECT_EQ(p.b.Image().ReadByte(kThresholdAdr + j), c.thresholds[static_cast<size_t>(j)]) << "threshold " << j;
  }
  std::vector<int> sent;
  for (int j = 0; j < 6; ++j) {
    const std::vector<int> v = SentValues(p.b.radio, 0x70 + j);
    ASSERT_EQ(v.size(), 1u) << j;
    sent.push_back(v[0]);
  }
  EXPECT_THAT(sent, ElementsAreArray(c.thresholds));
}

INSTANTIATE_TEST_SUITE_P(
    HandComputed, SqlThresholds,
    ::testing::Values(
        // K = T = 50; TI = 40..42 + 23 - 50; TH = 0..2 + 182 - 50
        SqlCase{"c = 0: K = T", 50, 18, 8, 0, {40, 41, 42, 0, 1, 2}, {13, 14, 15, 132, 133, 134}},
        // K = 100 * (1 - 51*1/255) = 80; TI = 60..62 + 23 - 80; TH = 0..2 + 182 - 100
        SqlCase{"a = 0 divides by 1", 100, 0, 51, 1, {60, 61, 62, 0, 1, 2}, {3, 4, 5, 82, 83, 84}},
        // K = 3 * (255/255 * 1/2 + 1) = 4.5 -> 4; TI = 0..2 + 23 - 4; TH = 0..2 + 182 - 3
        SqlCase{"K of 4.5 rounds to 4", 3, 2, 1, 255, {0, 1, 2, 0, 1, 2}, {19, 20, 21, 179, 180, 181}},
        // K = 5 * 1.5 = 7.5 -> 8
        SqlCase{"K of 7.5 rounds to 8", 5, 2, 1, 255, {0, 1, 2, 0, 1, 2}, {15, 16, 17, 177, 178, 179}},
        // K = 33: 0 + 23 - 33 = -10 for all three, shift 11; TH = 182 - 33
        SqlCase{"shift lifts the lowest TI threshold to 1", 33, 18, 8, 0, {0, 0, 0, 0, 0, 0}, {1, 1, 1, 149, 149, 149}},
        // K = T = 33: TI x = 290, 0, 10 -> shift 1 -> 291 cut to 255, 1, 11;
        // TH = -200, 100, 0 + 149 -> -51 cut to 0, 249, 149
        SqlCase{"thresholds are cut to 0..255", 33, 18, 8, 0, {300, 10, 20, -200, 100, 0}, {255, 1, 11, 0, 249, 149}},
        // K = T = 33: x = -32768 + 23 - 33 = -32778, shift 32779 (beyond 16
        // bits); TI = 1 each; TH = 0..2 + 149
        SqlCase{"a shift beyond 16 bits still lifts TI to 1",
                33,
                18,
                8,
                0,
                {-32768, -32768, -32768, 0, 1, 2},
                {1, 1, 1, 149, 150, 151}}),
    [](const ::testing::TestParamInfo<SqlCase>& info) { return testName(info.param.what); });

}  // namespace
}  // namespace pw::test
