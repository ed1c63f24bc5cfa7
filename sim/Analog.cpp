#include "sim/Analog.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace sim::analog {

namespace {

uint8_t toCode(double value, int lo = 0, int hi = 255) {
  return static_cast<uint8_t>(std::clamp(static_cast<int>(std::lround(value)), lo, hi));
}

constexpr double kKelvin = 273.15;
constexpr double kThermistorB = 4550.0;
constexpr double kThermistorRefK = 298.15;
constexpr double kNtcOverFixedAt25C = 47.0 / 100.0;  // 47 k NTC against a 100 k fixed leg

// Detuning at which a stage has lost half of its peak (Lorentzian skirt).
constexpr double kBpfHalfPowerDetune = 12.0;

// The channel filter: half of the signal passes this far off the channel.
constexpr double kChannelHalfWidthHz = 6000.0;
// The signal detector shows half its swing at this level.
constexpr double kDetectorHalfDbuV = 5.0;

}  // namespace

int bpfStageResponse(int stage, int value) {
  const int detune = std::max(0, std::abs(value - kBpfOptimum.at(stage)) - kBpfFlatHalfWidth);
  const double x = detune / kBpfHalfPowerDetune;
  // Floor, not round: one step off the flat top must already read lower.
  return static_cast<int>(std::floor(kBpfStagePeak / (1.0 + x * x)));
}

uint8_t sdCode(const std::array<int, 4>& bpf) { return sdCode(bpf, 1.0); }

uint8_t sdCode(const std::array<int, 4>& bpf, double share) {
  int stages = 0;
  for (int stage = 0; stage < 4; ++stage) stages += bpfStageResponse(stage, bpf[stage]);
  // Floor, as for a stage: a weaker signal must never read higher.
  return toCode(kSdFloor + std::floor(stages * std::clamp(share, 0.0, 1.0)));
}

double channelSelectivity(double offsetHz) {
  const double x = offsetHz / kChannelHalfWidthHz;
  return 1.0 / (1.0 + x * x * x * x);
}

double detectorShare(double signalDbuV) { return 1.0 / (1.0 + std::pow(10.0, (kDetectorHalfDbuV - signalDbuV) / 6.0)); }

uint8_t noiseCode(double signalDbuV) {
  // Quieting curve: about 220 with no signal, half way at 5 dBuV, ~20 when full quieting.
  return toCode(20.0 + 200.0 / (1.0 + std::pow(10.0, (signalDbuV - 5.0) / 8.0)));
}

uint8_t thermistorCode(double celsius) {
  const double ratio = std::exp(kThermistorB * (1.0 / (celsius + kKelvin) - 1.0 / kThermistorRefK));
  // The reading is taken across the fixed leg: v = 255 * Rfixed / (Rfixed + Rntc).
  // 0 and 255 would mean an open or shorted sensor, which a healthy radio never shows.
  return toCode(255.0 / (1.0 + ratio * kNtcOverFixedAt25C), 1, 254);
}

uint8_t batteryCode(double volts) { return toCode(volts / 13.76 * 255.0); }

int temperatureBand(uint8_t tempsCode) {
  static constexpr std::array<int, 21> kBandStart{0,   16,  24,  32,  40,  48,  64,  80,  96,  112, 128,
                                                  144, 160, 176, 192, 208, 216, 224, 232, 240, 256};
  int band = 0;
  while (band < 19 && tempsCode >= kBandStart[band + 1]) ++band;
  return band;
}

}  // namespace sim::analog
