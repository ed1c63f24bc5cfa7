// The sweep readings the service record keeps: which sweep a reading joins,
// the last two sweeps of each filter, and the warnings; and how the report
// lists them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "record/ServiceRecord.h"
#include "record/SweepCurves.h"
#include "support/RecordDesk.h"

namespace pw::test {
namespace {

using ::testing::ElementsAre;

const LocalTime kAt{2026, 12, 10, 14, 32, 13};

std::vector<int> Values(const SweepCurve& c) {
  std::vector<int> v;
  for (const SweepCurve::Point& p : c.points) v.push_back(p.value);
  return v;
}

TEST(SweepCurves, ReadingsJoinTheRunningSweepOfTheirFilterOnly) {
  SweepCurves s;
  s.Read(0, -128, 30);  // before any sweep started: nowhere to go
  s.Started(kAt, 0, -128, 127);
  s.Read(0, -128, 30);
  s.Read(1, -124, 99);  // another filter's reading is not this sweep's
  s.Read(0, -124, 31);
  s.Chosen(0, -124, -124, -124);
  s.Read(0, -120, 32);  // after the choice the sweep is closed
  s.Chosen(0, 0, 0, 0);
  s.Started(kAt, 1, -128, 127);
  s.Read(1, -128, 40);
  s.Started(kAt, 0, -128, 127);  // T1 again, as BPF ALL after BPF T1
  s.Read(0, -128, 33);

  ASSERT_EQ(s.all().size(), 3u);
  EXPECT_THAT(Values(s.all()[0]), ElementsAre(-128, -124));
  EXPECT_TRUE(s.all()[0].finished);
  EXPECT_EQ(s.all()[0].chosen, -124);
  EXPECT_FALSE(s.all()[1].finished);
  EXPECT_EQ(s.Latest(0), &s.all()[2]);
  EXPECT_EQ(s.Previous(0), &s.all()[0]);
  EXPECT_EQ(s.Latest(1), &s.all()[1]);
  EXPECT_EQ(s.Previous(1), nullptr);
  EXPECT_EQ(s.Latest(3), nullptr);
}

TEST(SweepCurves, EveryChangeMovesTheRevisionAndNothingElseDoes) {
  SweepCurves s;
  uint64_t last = s.revision();
  auto moved = [&] {
    const bool m = s.revision() != last;
    last = s.revision();
    return m;
  };
  s.Read(0, 1, 1);
  EXPECT_FALSE(moved());
  s.Started(kAt, 2, -128, 127);
  EXPECT_TRUE(moved());
  s.Read(2, -128, 5);
  EXPECT_TRUE(moved());
  s.Read(1, -128, 5);
  EXPECT_FALSE(moved());
  s.Chosen(2, -128, -128, -128);
  EXPECT_TRUE(moved());
  s.Chosen(2, -128, -128, -128);
  EXPECT_FALSE(moved());
}

TEST(SweepCurves, WarningsWhereATechnicianShouldLookTwice) {
  const struct {
    const char* what;
    std::vector<int> levels;  // at -128, -124, ...
    int low, high;
    bool finished;
    bool rangeEnd, noPeak;
  } cases[] = {
      {"a clear peak inside the range", {30, 35, 80, 36, 30}, -120, -120, true, false, false},
      {"best range from Min", {80, 35, 30, 30, 30}, -128, -128, true, true, false},
      {"best range up to Max", {30, 30, 31, 35, 80}, 127, 127, true, true, false},
      {"flat within one count", {30, 31, 31, 30, 31}, -124, -112, true, false, true},
      {"two counts is a peak", {30, 31, 32, 30, 31}, -120, -120, true, false, false},
      {"all equal: both", {30, 30, 30, 30, 30}, -128, 127, true, true, true},
      {"not finished: no warning yet", {30, 30, 30}, 0, 0, false, false, false},
  };
  for (const auto& c : cases) {
    SweepCurve curve;
    curve.min = -128;
    curve.max = 127;
    for (size_t i = 0; i < c.levels.size(); ++i) {
      curve.points.push_back({static_cast<int16_t>(-128 + 4 * static_cast<int>(i)), static_cast<int16_t>(c.levels[i])});
    }
    curve.finished = c.finished;
    curve.low = static_cast<int16_t>(c.low);
    curve.high = static_cast<int16_t>(c.high);
    EXPECT_EQ(curve.BestAtRangeEnd(), c.rangeEnd) << c.what;
    EXPECT_EQ(curve.NoClearPeak(), c.noPeak) << c.what;
    EXPECT_EQ(curve.Warnings().size(), static_cast<size_t>(c.rangeEnd) + static_cast<size_t>(c.noPeak)) << c.what;
  }
}

// The report's section of a record with two sweeps: one whole and flat,
// one cut short.
TEST(SweepCurves, TheReportListsEachSweepCompactlyWithinItsWidth) {
  ServiceRecord record({2026, 12, 10, 14, 32, 0}, {1, "", "2320", "0001", false}, ByteStr(4096, 0));
  SweepCurves& s = record.sweeps();
  s.Started(kAt, 2, -128, 127);
  for (int v = -128; v < 127; v += 4) s.Read(2, static_cast<int16_t>(v), 255);
  s.Read(2, 127, 255);
  s.Chosen(2, -128, 127, -1);
  s.Started({2026, 12, 10, 14, 33, 1}, 3, -128, 127);
  s.Read(3, -128, 7);
  s.Read(3, -127, 9);

  const std::vector<std::string> lines = ReportLines(record.Report({2026, 12, 10, 14, 40, 0}, "1.0"));
  auto at = std::find(lines.begin(), lines.end(),
                      "BPF sweeps: SD level at each value, rows led by the value of their first reading");
  ASSERT_NE(at, lines.end());
  const std::vector<std::string> section(at + 1, at + 12);
  EXPECT_THAT(section,
              ElementsAre("  14:32:13  BPF T3  65 readings, -128 to 127 by 4; best -128 to 127, set to -1",
                          "            warning: best range at the end of the filter's range",
                          "            warning: no clear peak (flat within one count)",
                          "             -128: 255 255 255 255 255 255 255 255 255 255 255 255 255 255 255 255",
                          "              -64: 255 255 255 255 255 255 255 255 255 255 255 255 255 255 255 255",
                          "                0: 255 255 255 255 255 255 255 255 255 255 255 255 255 255 255 255",
                          "               64: 255 255 255 255 255 255 255 255 255 255 255 255 255 255 255 255",
                          "              127: 255", "  14:33:01  BPF T4  2 readings, -128 to -127 by 1; not finished",
                          "             -128:   7   9", ""));
  for (const std::string& l : lines) EXPECT_LE(l.size(), 100u) << l;
}

TEST(SweepCurves, ARecordWithoutSweepsSaysSo) {
  const ServiceRecord record({2026, 12, 10, 14, 32, 0}, {}, ByteStr(4096, 0));
  const std::vector<std::string> lines = ReportLines(record.Report({2026, 12, 10, 14, 40, 0}, "1.0"));
  auto at = std::find(lines.begin(), lines.end(),
                      "BPF sweeps: SD level at each value, rows led by the value of their first reading");
  ASSERT_NE(at, lines.end());
  EXPECT_EQ(*(at + 1), "  none");
}

}  // namespace
}  // namespace pw::test
