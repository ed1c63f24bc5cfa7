// The reference temperature table procedure through the operation task
// against the simulated radio: the start value, the neighbour writes of the
// present temperature band, and Enter writing the whole table.
#include <array>

#include "procedures/ProcedureBench.h"
#include "sim/tests/TestName.h"
#include "sim/Analog.h"
#include "sim/MemoryMap.h"

namespace pw::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

constexpr int kRefTable = 0xFBC;
// The table of a radio as it leaves the factory.
constexpr std::array<int, 20> kFactoryTable{120, 124, 127, 129, 130, 131, 131, 131, 130, 130,
                                            130, 130, 130, 131, 131, 132, 133, 135, 137, 140};
// The shipped offsets of entries 0 to 19.
constexpr std::array<int, 20> kOffsets{-8, -7, -6, -5, -4, -3, -2, -1, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9};

// Sub-commands and values of the table writes after `mark`.
std::vector<std::string> TableWrites(const sim::Radio& radio, size_t mark) {
  std::vector<std::string> out;
  for (const E8Frame& f : E8Frames(radio, mark)) {
    if (f.toRadio && f.sub >= 0x20 && f.sub <= 0x33) out.push_back(f.Text());
  }
  return out;
}

std::string Write(int entry, int value) { return E8Frame{0, true, 0x20 + entry, value}.Text(); }

struct BandCase {
  double celsius;
  int band;
  int firstEntry, lastEntry;
};

void PrintTo(const BandCase& c, std::ostream* os) { *os << c.celsius << " C, band " << c.band; }

class TxfBandEdges : public ::testing::TestWithParam<BandCase> {};

// The factory table starts the line at 120 + 8 = 128; a step to 129 then
// rewrites the present band and its neighbours, within the table.
TEST_P(TxfBandEdges, RewriteThePresentBandAndItsNeighbours) {
  const BandCase& c = GetParam();
  ProcedureBench p;
  p.b.radio.setTemperatureC(c.celsius);
  ASSERT_EQ(sim::analog::temperatureBand(sim::analog::thermistorCode(c.celsius)), c.band);
  ASSERT_TRUE(p.Connect());
  const int16_t txf = p.Model().idxTxf();

  size_t mark = p.Mark();
  p.Enter(txf);
  p.b.Run(1000);
  EXPECT_EQ(p.Model().procStep(), proc::TxfMeasure) << "measures again and again";
  EXPECT_THAT(p.Line(txf), HasSubstr(": TX Freq = 156.050, Setting = 128"));
  std::vector<std::string> expected;
  for (int e = c.firstEntry; e <= c.lastEntry; ++e) expected.push_back(Write(e, 128 + kOffsets[e]));
  EXPECT_THAT(TableWrites(p.b.radio, mark), ElementsAreArray(expected));
  EXPECT_GE(SentValues(p.b.radio, 0x94, mark).size(), 5u);

  mark = p.Mark();
  p.Right(txf);
  p.b.Run(1000);
  EXPECT_THAT(p.Line(txf), HasSubstr("Setting = 129"));
  expected.clear();
  for (int e = c.firstEntry; e <= c.lastEntry; ++e) expected.push_back(Write(e, 129 + kOffsets[e]));
  EXPECT_THAT(TableWrites(p.b.radio, mark), ElementsAreArray(expected));
  for (int e = 0; e < 20; ++e) {
    const bool written = e >= c.firstEntry && e <= c.lastEntry;
    const int byte = written ? 129 + kOffsets[e] : kFactoryTable[e];
    EXPECT_EQ(p.b.Image().ReadByte(kRefTable + e), byte) << e;
    EXPECT_EQ(p.b.radio.peek(kRefTable + e), byte) << e;
  }
}

INSTANTIATE_TEST_SUITE_P(Bands, TxfBandEdges,
                         ::testing::Values(BandCase{-40.0, 0, 0, 1}, BandCase{25.0, 12, 11, 13},
                                           BandCase{90.0, 19, 18, 19}),
                         [](const ::testing::TestParamInfo<BandCase>& info) {
                           return "Band" + std::to_string(info.param.band);
                         });

TEST(TxfProcedure, EnterWritesAllTwentyAndEnds) {
  ProcedureBench p;
  ASSERT_TRUE(p.Connect());
  const int16_t txf = p.Model().idxTxf();
  p.Enter(txf);
  ASSERT_TRUE(p.RunToStep(proc::TxfMeasure));
  p.b.Run(500);
  p.Right(txf, 2);
  p.b.Run(500);

  const size_t mark = p.Mark();
  p.Enter(txf);
  ASSERT_TRUE(p.RunToBeep());
  EXPECT_EQ(p.b.window.beeps, 1);
  EXPECT_EQ(p.Model().procStep(), proc::None);
  EXPECT_EQ(p.Line(txf), "       TXF: [Enter] to Start");
  std::vector<std::string> expected;
  for (int e = 0; e < 20; ++e) expected.push_back(Write(e, 130 + kOffsets[e]));
  EXPECT_THAT(TableWrites(p.b.radio, mark), ElementsAreArray(expected));
  for (int e = 0; e < 20; ++e) {
    EXPECT_EQ(p.b.Image().ReadByte(kRefTable + e), 130 + kOffsets[e]) << e;
    EXPECT_EQ(p.b.radio.peek(kRefTable + e), 130 + kOffsets[e]) << e;
  }
  std::vector<int64_t> times;
  for (const E8Frame& f : E8Frames(p.b.radio, mark)) {
    if (f.toRadio && f.sub >= 0x20 && f.sub <= 0x33) times.push_back(f.timeMs);
  }
  for (size_t i = 1; i < times.size(); ++i) EXPECT_GE(times[i] - times[i - 1], 20) << "20 ms between entries";
  const size_t end = p.Mark();
  p.b.Run(1000);
  EXPECT_TRUE(TableWrites(p.b.radio, end).empty()) << "nothing after the end";
  EXPECT_TRUE(SentValues(p.b.radio, 0x94, end).empty());
}

struct StartCase {
  const char* what;
  std::map<int, std::string> constIni;  // replaced lines
  std::array<int, 20> table;
  int16_t start;
  int16_t max;
};

void PrintTo(const StartCase& c, std::ostream* os) { *os << c.what; }

class TxfStartValue : public ::testing::TestWithParam<StartCase> {};

TEST_P(TxfStartValue, ComesFromTheTableOrTheDefault) {
  const StartCase& c = GetParam();
  ProcedureBench p({}, ConstIniWith(c.constIni));
  for (int e = 0; e < 20; ++e) p.b.radio.poke(kRefTable + e, static_cast<uint8_t>(c.table[static_cast<size_t>(e)]));
  ASSERT_TRUE(p.Connect());
  const int16_t txf = p.Model().idxTxf();
  p.Enter(txf);
  ASSERT_TRUE(p.RunToStep(proc::TxfMeasure));
  EXPECT_EQ(p.Console().Value(txf), c.start);
  EXPECT_EQ(p.Console().Max(txf), c.max);
  char setting[32];
  std::snprintf(setting, sizeof setting, "Setting = %3d", c.start);
  EXPECT_THAT(p.Line(txf), HasSubstr(setting));
}

std::array<int, 20> Filled(int v, int first = -1) {
  std::array<int, 20> t;
  t.fill(v);
  if (first >= 0) t[0] = first;
  return t;
}

// Every reference offset (lines 3 to 22) set to `v`.
std::map<int, std::string> Offsets(int v) {
  std::map<int, std::string> lines;
  for (int n = 3; n <= 22; ++n) lines[n] = std::to_string(v);
  return lines;
}

std::map<int, std::string> ZeroOffsets() { return Offsets(0); }

INSTANTIATE_TEST_SUITE_P(
    Rules, TxfStartValue,
    ::testing::Values(StartCase{"factory table: 120 - (-8)", {}, Filled(130, 120), 128, 246},
                      StartCase{"empty table: the default of line 2", {{2, "77"}}, Filled(0), 77, 246},
                      StartCase{"byte 0 below offset 0 starts at 0", {{3, "10"}}, Filled(130, 5), 0, 245},
                      StartCase{"all offsets 0", ZeroOffsets(), Filled(100), 100, 255},
                      StartCase{"all offsets negative: the line still ends at 255", Offsets(-3), Filled(100), 103, 255},
                      StartCase{
                          "255 + 32768 is beyond 16 bits: held at Max", {{3, "-32768"}}, Filled(130, 255), 246, 246}),
    [](const ::testing::TestParamInfo<StartCase>& info) { return testName(info.param.what); });

TEST(TxfProcedure, AllOffsetsZeroWriteTheBaseEverywhere) {
  ProcedureBench p({}, ConstIniWith(ZeroOffsets()));
  for (int e = 0; e < 20; ++e) p.b.radio.poke(kRefTable + e, 100);
  ASSERT_TRUE(p.Connect());
  const int16_t txf = p.Model().idxTxf();
  p.Enter(txf);
  ASSERT_TRUE(p.RunToStep(proc::TxfMeasure));
  p.b.Run(500);
  const size_t mark = p.Mark();
  p.Enter(txf);
  ASSERT_TRUE(p.RunToBeep());
  std::vector<std::string> expected;
  for (int e = 0; e < 20; ++e) expected.push_back(Write(e, 100));
  EXPECT_THAT(TableWrites(p.b.radio, mark), ElementsAreArray(expected));
}

// An entry below 0 (a negative offset on a small base) cannot be stored as
// one byte; it is held at 0 on the cable and in the image.
TEST(TxfProcedure, EntryBelowZeroIsHeldAtZero) {
  ProcedureBench p({}, ConstIniWith({{3, "10"}, {4, "-5"}}));
  p.b.radio.setTemperatureC(-40.0);  // band 0: entries 0 and 1
  p.b.radio.poke(kRefTable, 5);
  p.b.radio.poke(kRefTable + 1, 77);
  ASSERT_TRUE(p.Connect());
  const size_t mark = p.Mark();
  p.Enter(p.Model().idxTxf());
  ASSERT_TRUE(p.RunToStep(proc::TxfMeasure));
  p.b.Run(500);
  EXPECT_EQ(p.Console().Value(p.Model().idxTxf()), 0);
  EXPECT_THAT(TableWrites(p.b.radio, mark), ElementsAre(Write(0, 10), Write(1, 0)));
  EXPECT_EQ(p.b.Image().ReadByte(kRefTable + 1), 0);
  EXPECT_EQ(p.b.radio.peek(kRefTable + 1), 0);
}

}  // namespace
}  // namespace pw::test
