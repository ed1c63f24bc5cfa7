#include "sim/Analog.h"

#include <gtest/gtest.h>

#include <cmath>

namespace analog = sim::analog;

namespace {

// How the service program turns the TEMPS code back into degrees.
double programCelsius(int v) {
  const double r = (255.0 - v) / v * 100.0 / 47.0;
  return 1.0 / (std::log(r) / 4550.0 + 1.0 / 298.15) - 273.15;
}

std::array<int, 4> withStage(int stage, int value) {
  std::array<int, 4> bpf{0, 0, 0, 0};
  bpf[static_cast<size_t>(stage)] = value;
  return bpf;
}

// Over the radio's operating range; beyond ~55 C one code step exceeds 1 C.
TEST(Thermistor, ServiceProgramRecoversTheBenchTemperature) {
  int previous = 0;
  for (double t = -20.0; t <= 50.0; t += 0.25) {
    const int code = analog::thermistorCode(t);
    EXPECT_NEAR(programCelsius(code), t, 0.5) << "at " << t << " C";
    EXPECT_GE(code, previous) << "warmer must not read lower";
    previous = code;
  }
}

TEST(Thermistor, NeverShowsTheOpenOrShortedSensorCodes) {
  EXPECT_EQ(analog::thermistorCode(-80.0), 1);
  EXPECT_EQ(analog::thermistorCode(200.0), 254);
}

TEST(BandPassFilters, EachStageHasAFlatTopExactlyAroundItsOptimum) {
  for (int stage = 0; stage < 4; ++stage) {
    SCOPED_TRACE(testing::Message() << "stage T" << stage + 1);
    const int opt = analog::kBpfOptimum[static_cast<size_t>(stage)];
    const int top = analog::sdCode(withStage(stage, opt));
    for (int v = -128; v <= 127; ++v) {
      const int sd = analog::sdCode(withStage(stage, v));
      if (std::abs(v - opt) <= analog::kBpfFlatHalfWidth) {
        EXPECT_EQ(sd, top) << "inside the top at " << v;
      } else {
        EXPECT_LT(sd, top) << "outside the top at " << v;
      }
      // Falling off on both sides: never rising away from the top.
      const int outward = v < opt ? v - 1 : v + 1;
      if (outward >= -128 && outward <= 127) {
        EXPECT_LE(analog::sdCode(withStage(stage, outward)), sd) << "at " << v;
      }
    }
  }
}

TEST(BandPassFilters, AllStagesOnTuneGiveTheHighestReading) {
  const std::array<int, 4> tuned{analog::kBpfOptimum[0], analog::kBpfOptimum[1], analog::kBpfOptimum[2],
                                 analog::kBpfOptimum[3]};
  EXPECT_EQ(analog::sdCode(tuned), analog::kSdFloor + 4 * analog::kBpfStagePeak);
  EXPECT_LE(analog::kSdFloor + 4 * analog::kBpfStagePeak, 255);
  EXPECT_GT(analog::sdCode(tuned), analog::sdCode({0, 0, 0, 0}));
}

// The bench sweep: step one stage from -128 to 127, take the middle between
// the first and the last value with the highest reading.
TEST(BandPassFilters, SweepingOneStageAtATimeFindsEachOptimum) {
  for (int step : {1, 3, 4, 8}) {
    std::array<int, 4> bpf{-12, 2, 24, -33};  // the factory values, slightly off
    for (int stage = 0; stage < 4; ++stage) {
      int best = -1;
      int low = -128;
      int high = -128;
      for (int v = -128;; v = std::min(v + step, 127)) {
        bpf[static_cast<size_t>(stage)] = v;
        const int sd = analog::sdCode(bpf);
        if (sd > best) low = v;
        if (sd >= best) {
          high = v;
          best = sd;
        }
        if (v == 127) break;
      }
      bpf[static_cast<size_t>(stage)] = static_cast<int>(std::floor((low + high) / 2.0));
      EXPECT_LE(std::abs(bpf[static_cast<size_t>(stage)] - analog::kBpfOptimum[static_cast<size_t>(stage)]),
                analog::kBpfFlatHalfWidth)
          << "stage T" << stage + 1 << " with step " << step;
    }
  }
}

TEST(NoiseDetector, QuietsAsTheTestSignalRises) {
  EXPECT_GT(analog::noiseCode(-30.0), 200);
  EXPECT_LT(analog::noiseCode(40.0), 30);
  for (double s = -30.0; s < 40.0; s += 1.0) {
    EXPECT_GE(analog::noiseCode(s), analog::noiseCode(s + 1.0)) << "at " << s << " dBuV";
  }
  EXPECT_GT(analog::noiseCode(-5.0), analog::noiseCode(15.0) + 50);  // usable for two-signal SQL
}

TEST(Battery, ScalesToThe13_76VoltFullScale) {
  const std::pair<double, int> cases[] = {{0.0, 0}, {7.4, 137}, {13.76, 255}, {16.0, 255}};
  for (const auto& [volts, code] : cases) EXPECT_EQ(analog::batteryCode(volts), code) << volts;
}

TEST(TemperatureBand, BandsFollowTheCompensationBreakPoints) {
  const std::pair<int, int> cases[] = {{0, 0},    {15, 0},   {16, 1},   {47, 4},   {48, 5},
                                       {128, 10}, {215, 15}, {239, 18}, {240, 19}, {255, 19}};
  for (const auto& [code, band] : cases) {
    EXPECT_EQ(analog::temperatureBand(static_cast<uint8_t>(code)), band) << "code " << code;
  }
}

}  // namespace
