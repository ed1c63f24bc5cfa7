// The band-pass filter sweep through the operation task against the
// simulated radio: one filter or all four, and the choice of the final value
// from the signal detector levels read along the sweep.
#include <array>
#include <functional>

#include "procedures/ProcedureBench.h"
#include "sim/tests/TestName.h"
#include "sim/Analog.h"
#include "sim/MemoryMap.h"

namespace pw::test {
namespace {

using ::testing::ElementsAreArray;

constexpr int kBpfAdr = 0xFE8;

// The values a sweep visits: Min, Min + step, ... and finally Max.
std::vector<int> SweepValues(int step) {
  std::vector<int> v;
  for (int x = -128; x < 127; x += step) v.push_back(x);
  v.push_back(127);
  return v;
}

// Runs of consecutive equal sub-commands among the BPF writes (0x10..0x13).
struct WriteRun {
  int sub;
  std::vector<int> values;
};
std::vector<WriteRun> BpfWriteRuns(const sim::Radio& radio, size_t mark) {
  std::vector<WriteRun> runs;
  for (const E8Frame& f : E8Frames(radio, mark)) {
    if (!f.toRadio || f.sub < 0x10 || f.sub > 0x13) continue;
    if (runs.empty() || runs.back().sub != f.sub) runs.push_back({f.sub, {}});
    runs.back().values.push_back(static_cast<int8_t>(f.value));
  }
  return runs;
}

TEST(BpfSweep, SingleFilterSweepsOnlyThatFilter) {
  ProcedureBench p;
  ASSERT_TRUE(p.Connect());
  const int16_t t1 = p.Model().idxBpfT1();
  const int16_t t3 = static_cast<int16_t>(t1 + 2);
  const int16_t all = p.Model().idxSweepItem();
  const size_t mark = p.Mark();

  p.Enter(t3);
  p.b.Run(300);
  EXPECT_EQ(p.Line(t3), "    BPF T3:-128 [--------------------] Sweeping");
  EXPECT_EQ(p.Line(t1), "    BPF T1: -12 [#########-----------] [Enter] to Sweep");
  EXPECT_EQ(p.Line(all), "   BPF ALL: [Enter] to Sweep");
  ASSERT_TRUE(p.RunToBeep());
  EXPECT_EQ(p.Model().procStep(), proc::None);

  // Step 4 from -128 meets the flat top 26..34 at 28 and 32: the middle is 30.
  const std::vector<WriteRun> runs = BpfWriteRuns(p.b.radio, mark);
  ASSERT_EQ(runs.size(), 1u) << "only T3 is written";
  EXPECT_EQ(runs[0].sub, 0x12);
  std::vector<int> expected = {-128};  // the task sends the reset value, then the sweep sends it
  for (int v : SweepValues(4)) expected.push_back(v);
  expected.push_back(30);
  EXPECT_THAT(runs[0].values, ElementsAreArray(expected));
  EXPECT_EQ(SentValues(p.b.radio, 0x98, mark).size(), SweepValues(4).size()) << "one SD reading per value";

  EXPECT_EQ(p.Console().Value(t3), 30);
  EXPECT_EQ(p.b.Image().ReadByte(kBpfAdr + 2), 30);
  EXPECT_EQ(p.b.radio.peek(kBpfAdr + 2), 30);
  EXPECT_EQ(p.Line(t3), "    BPF T3:  30 [############--------] [Enter] to Sweep");
  EXPECT_EQ(p.b.Image().ReadByte(kBpfAdr), AsByte(-12)) << "T1 untouched";
  for (int k = 0; k < 4; ++k) EXPECT_EQ(p.Console().WaitAfterE8(static_cast<int16_t>(t1 + k)), 20) << k;
  EXPECT_EQ(p.b.window.beeps, 1);
}

TEST(BpfSweep, AllFiltersTakePresetsThenSweepInOrder) {
  ProcedureBench p;
  ASSERT_TRUE(p.Connect());
  const int16_t t1 = p.Model().idxBpfT1();
  const int16_t all = p.Model().idxSweepItem();
  const size_t mark = p.Mark();

  p.Enter(all);
  p.b.Run(300);
  EXPECT_EQ(p.Line(all), "   BPF ALL: Sweeping");
  ASSERT_TRUE(p.RunToBeep(1, 120000));
  EXPECT_EQ(p.Line(all), "   BPF ALL: [Enter] to Sweep");

  const std::vector<WriteRun> runs = BpfWriteRuns(p.b.radio, mark);
  ASSERT_EQ(runs.size(), 8u);
  // The presets of lines 30 to 33 go out first, one each.
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(runs[static_cast<size_t>(k)].sub, 0x10 + k);
    EXPECT_EQ(runs[static_cast<size_t>(k)].values.size(), 1u);
  }
  EXPECT_EQ(runs[0].values[0], -20);
  EXPECT_EQ(runs[1].values[0], 5);
  EXPECT_EQ(runs[2].values[0], 30);
  EXPECT_EQ(runs[3].values[0], -40);
  // Then T1 to T4, each swept from -128 to 127 and left at the middle of
  // its flat top as step 4 meets it: T1 -24..-16, T2 4..8, T3 28..32, T4 -44..-36.
  const std::array<int, 4> finals{-20, 6, 30, -40};
  for (int k = 0; k < 4; ++k) {
    const WriteRun& r = runs[static_cast<size_t>(4 + k)];
    EXPECT_EQ(r.sub, 0x10 + k);
    ASSERT_GE(r.values.size(), 3u);
    EXPECT_EQ(r.values[1], -128) << k;
    EXPECT_EQ(r.values[r.values.size() - 2], 127) << k;
    EXPECT_EQ(r.values.back(), finals[static_cast<size_t>(k)]) << k;
    const auto line = static_cast<int16_t>(t1 + k);
    EXPECT_EQ(p.Console().Value(line), finals[static_cast<size_t>(k)]) << k;
    EXPECT_EQ(p.b.Image().ReadByte(kBpfAdr + k), AsByte(finals[static_cast<size_t>(k)])) << k;
    EXPECT_EQ(p.b.radio.peek(kBpfAdr + k), AsByte(finals[static_cast<size_t>(k)])) << k;
  }
  EXPECT_EQ(p.b.window.beeps, 1);
}

// Shapes the radio's signal detector: when the program asks for SD, the hook
// sets the radio's filter stages so that SD reads 30 + level(v), v being the
// value of the swept stage the program has just sent. One stage gives the
// level, the others are tuned far off so that they add nothing.
void ShapeSd(sim::Radio& radio, int swept, std::function<int(int)> level) {
  radio.setFrameHook([&radio, swept, level](const sim::FrameLogEntry& e) {
    if (e.direction != sim::FrameLogEntry::Direction::Rx || e.bytes.size() != 13 || e.bytes[4] != 0xE8 ||
        e.bytes[9] != 0x98) {
      return;
    }
    const int v = static_cast<int8_t>(radio.peek(kBpfAdr + swept));
    const int want = level(v);
    const int source = (swept + 1) % 4;
    for (int k = 0; k < 4; ++k) {
      radio.poke(kBpfAdr + k, static_cast<uint8_t>(sim::analog::kBpfOptimum[static_cast<size_t>(k)] > 0 ? -128 : 127));
    }
    for (int u = -128; u <= 127; ++u) {
      if (sim::analog::bpfStageResponse(source, u) == want) {
        radio.poke(kBpfAdr + source, static_cast<uint8_t>(u));
        return;
      }
    }
    ADD_FAILURE() << "no stage value gives level " << want;
  });
}

struct RangeCase {
  const char* what;
  const char* step;  // line 23 of Const.ini
  std::function<int(int)> level;
  int16_t expected;
};

void PrintTo(const RangeCase& c, std::ostream* os) { *os << c.what; }

class BpfBestRange : public ::testing::TestWithParam<RangeCase> {};

TEST_P(BpfBestRange, EndsInTheMiddleOfTheHighestLevels) {
  const RangeCase& c = GetParam();
  ProcedureBench p({}, ConstIniWith({{23, c.step}}));
  ASSERT_TRUE(p.Connect());
  ShapeSd(p.b.radio, 0, c.level);
  const int16_t t1 = p.Model().idxBpfT1();
  const size_t mark = p.Mark();
  p.Enter(t1);
  ASSERT_TRUE(p.RunToBeep(1, 120000));

  EXPECT_EQ(p.Console().Value(t1), c.expected);
  EXPECT_EQ(p.b.Image().ReadByte(kBpfAdr), AsByte(c.expected));
  EXPECT_EQ(p.b.radio.peek(kBpfAdr), AsByte(c.expected));
  const std::vector<WriteRun> runs = BpfWriteRuns(p.b.radio, mark);
  ASSERT_EQ(runs.size(), 1u);
  const std::vector<int>& v = runs[0].values;
  EXPECT_EQ(v.back(), c.expected);
  EXPECT_EQ(v[v.size() - 2], 127) << "the last measurement is taken at Max";
  for (int x : v) EXPECT_LE(x, 127);
}

INSTANTIATE_TEST_SUITE_P(
    Levels, BpfBestRange,
    ::testing::Values(
        RangeCase{"3 5 5 then lower: -124..-120", "4",
                  [](int v) { return v == -128                  ? 3
                                     : (v == -124 || v == -120) ? 5
                                                                : 1; }, -122},
        RangeCase{"5 4 5 then lower: the dip does not split -128..-120", "4",
                  [](int v) { return v == -124                  ? 4
                                     : (v == -128 || v == -120) ? 5
                                                                : 1; }, -124},
        RangeCase{"only falling after the first value: Min", "4", [](int v) { return v < -100 ? (-v - 100) / 4 : 1; },
                  -128},
        RangeCase{"highest at Max only: the last value", "4", [](int v) { return v == 127 ? 6 : 2; }, 127},
        RangeCase{"-5 and -4: -4.5 rounds down to -5", "1", [](int v) { return v == -5 || v == -4 ? 6 : 2; }, -5},
        RangeCase{"a step of 0 sweeps in steps of 1", "0", [](int v) { return v == -5 || v == -4 ? 6 : 2; }, -5}),
    [](const ::testing::TestParamInfo<RangeCase>& info) { return testName(info.param.what); });

}  // namespace
}  // namespace pw::test
