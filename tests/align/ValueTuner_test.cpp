// The tuner against simulated responses: it must land inside the tolerance
// or give up for the right reason, within a bounded number of readings,
// without ever leaving the item's limits or jumping further than allowed
// while keyed.
#include "align/ValueTuner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace pw {
namespace {

using Kind = ValueTuner::Answer::Kind;
// The reading at a value; n counts the readings taken before it.
using Response = std::function<double(int16_t value, int n)>;

// Repeatable noise in -amplitude..amplitude.
double Noise(int n, double amplitude) { return amplitude * ((n * 7919) % 17 - 8) / 8.0; }

struct TunerRun {
  ValueTuner::Answer end;
  TunerFailure failure = TunerFailure::None;
  std::vector<int16_t> values;  // where each reading was taken
  std::vector<double> readings;
  double tolerance = 0;
};

TunerRun Drive(const TunerSetup& setup, const Response& response) {
  ValueTuner tuner;
  TunerRun run;
  ValueTuner::Answer a = tuner.Start(setup);
  while (a.kind == Kind::Read && run.readings.size() < 1000) {
    run.values.push_back(a.value);
    run.readings.push_back(response(a.value, static_cast<int>(run.readings.size())));
    a = tuner.Feed(run.readings.back());
  }
  run.end = a;
  run.failure = tuner.failure();
  run.tolerance = tuner.Tolerance();
  EXPECT_EQ(tuner.readings(), static_cast<int>(run.readings.size()));
  return run;
}

// An item of 0..255 at value, to be turned until the reading is target.
TunerSetup ItemSetup(int16_t value, double target, double tolerance) {
  TunerSetup s;
  s.value = value;
  s.target = target;
  s.tolerance = tolerance;
  return s;
}

struct Case {
  const char* what;
  TunerSetup setup;
  Response response;
  TunerFailure failure;  // None: accepted
  int16_t endValue;      // -1: wherever the reading is right
  int mostReadings;
};

// A TXF count moves the transmit frequency by 380 Hz; the nearest counts
// miss the channel by 190 Hz either way.
double Txf(int16_t v) { return 156050190.0 + 380.0 * (v - 137); }

TEST(ValueTuner, FindsTheValueOrGivesUpForTheRightReason) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  TunerSetup keyed = ItemSetup(100, 25, 0.5);  // a power level
  keyed.maxJump = 8;
  keyed.readingLimit = 30;
  const auto at = [](TunerSetup s, int16_t value) {
    s.value = value;
    return s;
  };
  const auto unkeyed = [](TunerSetup s) {
    s.maxJump = 0;
    return s;
  };
  const auto aiming = [](TunerSetup s, double target) {
    s.target = target;
    return s;
  };
  const auto limited = [](TunerSetup s, int readings) {
    s.maxReadings = readings;
    return s;
  };
  TunerSetup txf = ItemSetup(120, 156050000, 150);
  txf.toleranceAtLeastHalfStep = true;
  TunerSetup txfStrict = txf;
  txfStrict.toleranceAtLeastHalfStep = false;
  const TunerSetup deviation = ItemSetup(60, 30, 0.3);
  TunerSetup fixed = ItemSetup(7, 25, 0.5);
  fixed.min = fixed.max = 7;

  const Response rising = [](int16_t v, int) { return 0.2 * v; };
  const Response falling = [](int16_t v, int) { return 50 - 0.2 * v; };
  const Response square = [](int16_t v, int) { return 0.001 * v * v; };
  bool seenInside = false, spiked = false;
  const Response spikeOnce = [&](int16_t v, int) {
    const double r = 0.2 * v;
    if (seenInside && !spiked) {
      spiked = true;
      return r + 1;
    }
    seenInside = seenInside || std::fabs(r - 25) <= 0.5;
    return r;
  };

  const std::vector<Case> cases = {
      {"rising", keyed, rising, TunerFailure::None, -1, 7},
      {"falling", keyed, falling, TunerFailure::None, -1, 7},
      {"far off, in jumps of at most 8", at(keyed, 40), rising, TunerFailure::None, -1, 15},
      {"noisy", keyed, [](int16_t v, int n) { return 0.2 * v + Noise(n, 0.1); }, TunerFailure::None, -1, 8},
      {"a stray reading after the first one inside", keyed, spikeOnce, TunerFailure::None, -1, 10},
      // The fourth reading, after the first jump up, falls below where the
      // probe left off, as if the slope had turned round.
      {"a stray reading against the slope", keyed, [](int16_t v, int n) { return n == 3 ? 19.0 : 0.2 * v; },
       TunerFailure::None, -1, 9},
      {"already right: two readings", at(keyed, 125), rising, TunerFailure::None, 125, 2},
      {"no count inside: the tolerance widens to half a count", txf, [](int16_t v, int) { return Txf(v); },
       TunerFailure::None, -1, 4},
      {"no count inside and no widening: the bound", txfStrict, [](int16_t v, int) { return Txf(v); },
       TunerFailure::TooManyTries, -1, 24},
      {"a response that bends mid-way", deviation,
       [](int16_t v, int) { return v < 120 ? 0.1 * v : 12 + 0.4 * (v - 120); }, TunerFailure::None, -1, 7},
      {"the same, keyed", at(keyed, 60), [](int16_t v, int) { return v < 120 ? 0.05 * v : 6 + 0.4 * (v - 120); },
       TunerFailure::None, -1, 19},
      {"flat", keyed, [](int16_t, int) { return 12.0; }, TunerFailure::NoResponse, -1, 6},
      {"flat under noise that stays within half the tolerance", keyed,
       [](int16_t, int n) { return 12.0 + Noise(n, 0.12); }, TunerFailure::NoResponse, -1, 6},
      {"saturating below the target", unkeyed(at(keyed, 50)), [](int16_t v, int) { return std::min(0.2 * v, 20.0); },
       TunerFailure::OutOfRange, 255, 8},
      {"target above the range", unkeyed(aiming(keyed, 28)), [](int16_t v, int) { return 0.1 * v; },
       TunerFailure::OutOfRange, 255, 5},
      {"target below the range, falling", unkeyed(aiming(keyed, 28)), [](int16_t v, int) { return 20 - 0.1 * v; },
       TunerFailure::OutOfRange, 0, 5},
      {"starting at the limit the target lies beyond", unkeyed(aiming(at(keyed, 255), 28)),
       [](int16_t v, int) { return 0.1 * v; }, TunerFailure::OutOfRange, 255, 5},
      {"an item that cannot move", fixed, rising, TunerFailure::OutOfRange, 7, 1},
      {"a jump past the limit fails at once", unkeyed(at(keyed, 60)), square, TunerFailure::AboveLimit, -1, 5},
      {"jumps of 8 stay below it", at(keyed, 60), square, TunerFailure::None, -1, 17},
      {"above the limit at the first reading", keyed, [](int16_t, int) { return 35.0; }, TunerFailure::AboveLimit, 100,
       1},
      {"no reading", keyed, [nan](int16_t, int) { return nan; }, TunerFailure::NoReading, 100, 1},
      {"out of readings", limited(at(keyed, 40), 3), rising, TunerFailure::TooManyTries, -1, 3},
  };

  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TunerRun run = Drive(c.setup, c.response);
    ASSERT_FALSE(run.readings.empty());
    EXPECT_EQ(run.failure, c.failure) << TunerFailureText(run.failure);
    EXPECT_EQ(run.end.kind, c.failure == TunerFailure::None ? Kind::Accept : Kind::GiveUp);
    EXPECT_EQ(run.end.value, run.values.back());
    if (c.endValue >= 0) {
      EXPECT_EQ(run.end.value, c.endValue);
    }
    EXPECT_LE(run.readings.size(), static_cast<size_t>(c.mostReadings));
    for (size_t i = 0; i < run.values.size(); ++i) {
      EXPECT_GE(run.values[i], c.setup.min) << "reading " << i;
      EXPECT_LE(run.values[i], c.setup.max) << "reading " << i;
      if (i > 0 && c.setup.maxJump > 0) {
        EXPECT_LE(std::abs(run.values[i] - run.values[i - 1]), c.setup.maxJump);
      }
    }
    if (c.failure == TunerFailure::None) {
      ASSERT_GE(run.readings.size(), 2u);
      const size_t last = run.readings.size() - 1;
      EXPECT_EQ(run.values[last], run.values[last - 1]);
      EXPECT_LE(std::fabs(run.readings[last] - c.setup.target), run.tolerance);
      EXPECT_LE(std::fabs(run.readings[last - 1] - c.setup.target), run.tolerance);
    }
  }
}

TEST(ValueTuner, ReestimateProbesAgainFromThePresentValue) {
  ValueTuner tuner;
  TunerSetup setup = ItemSetup(100, 25, 0.5);
  setup.maxJump = 8;
  double gain = 0.2;
  ValueTuner::Answer a = tuner.Start(setup);
  a = tuner.Feed(gain * a.value);  // the base
  a = tuner.Feed(gain * a.value);  // the probe moved too little
  a = tuner.Feed(gain * a.value);  // now it has the slope and jumps
  ASSERT_EQ(a.kind, Kind::Read);
  ASSERT_EQ(a.value, 110);

  // The response changes under it (a TXF band change): the old slope is forgotten.
  gain = 0.25;
  tuner.Reestimate();
  a = tuner.Feed(gain * a.value);
  EXPECT_EQ(a.kind, Kind::Read);
  EXPECT_EQ(a.value, 111) << "a probe of one count, not a jump";
  while (a.kind == Kind::Read && tuner.readings() < 30) a = tuner.Feed(gain * a.value);
  EXPECT_EQ(a.kind, Kind::Accept);
  EXPECT_EQ(a.value, 100);
  EXPECT_EQ(tuner.firstReading(), 20);
  EXPECT_EQ(tuner.lastReading(), 25);

  // Once it has ended, readings change nothing.
  const int readings = tuner.readings();
  a = tuner.Feed(99);
  EXPECT_EQ(a.kind, Kind::Accept);
  EXPECT_EQ(a.value, 100);
  EXPECT_EQ(tuner.readings(), readings);
}

TEST(ValueTuner, EachFailureHasItsReason) {
  const std::vector<std::pair<TunerFailure, std::string>> cases = {
      {TunerFailure::None, ""},
      {TunerFailure::NoReading, "no reading"},
      {TunerFailure::AboveLimit, "above the limit"},
      {TunerFailure::TooManyTries, "too many tries"},
      {TunerFailure::NoResponse, "no response"},
      {TunerFailure::OutOfRange, "out of range"},
  };
  for (const auto& [failure, text] : cases) EXPECT_EQ(TunerFailureText(failure), text);
}

}  // namespace
}  // namespace pw
