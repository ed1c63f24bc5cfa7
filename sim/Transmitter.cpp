#include "sim/Transmitter.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace sim {

namespace {

constexpr uint8_t kFrqcon = 0x80;
constexpr uint8_t kPowcon = 0x81;

// Power control: the rated power at the factory's Hi byte, ten times less
// for every kBytesPerDecade below it, and no more than the final stage gives.
constexpr double kRatedWatts = 5.0;
constexpr int kRatedByte = 150;
constexpr double kBytesPerDecade = 40.0;
constexpr double kSaturationWatts = 8.0;

constexpr int kAtis1300Mode = 1;
constexpr int kAtis2100Mode = 2;

double draw(std::mt19937& rng, double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); }

}  // namespace

Transmitter::Transmitter(uint32_t seed) {
  std::mt19937 rng(seed);
  hzPerCount_ = draw(rng, 40.0, 60.0);
  onFrequencyCount_ = std::uniform_int_distribution<int>(100, 160)(rng);
  powerGain_ = draw(rng, 0.8, 1.2);
  modHzPerCount_ = draw(rng, 32.0, 38.0);
  atisHzPerCount_ = draw(rng, 27.0, 33.0);
}

bool Transmitter::sending(const Radio& radio) const {
  const auto channel = radio.selectedChannel();
  return radio.keyed() && !channel.txInhibit && channel.txHz > 0;
}

std::optional<double> Transmitter::carrierHz(const Radio& radio) const {
  if (!sending(radio)) return std::nullopt;
  const int count = radio.reading(kFrqcon).value_or(0);
  return static_cast<double>(radio.selectedChannel().txHz) + (count - onFrequencyCount_) * hzPerCount_;
}

std::optional<double> Transmitter::watts(const Radio& radio) const {
  if (!sending(radio)) return std::nullopt;
  const int level = radio.reading(kPowcon).value_or(0);
  return std::min(kSaturationWatts, kRatedWatts * powerGain_ * std::pow(10.0, (level - kRatedByte) / kBytesPerDecade));
}

std::optional<double> Transmitter::deviationHz(const Radio& radio, double toneVolts) const {
  if (!sending(radio)) return std::nullopt;
  const int mode = radio.atisMode();
  if (mode != 0) {
    // The alternating tones and the code: a Japan radio has one level for
    // both, elsewhere the louder of the two tones sets the peak.
    const bool japan = radio.peek(mem::kRegion) == mem::kRegionJapan;
    int level = 0;
    if (mode == kAtis1300Mode) {
      level = radio.peek(mem::kAtis1300);
    } else if (mode == kAtis2100Mode) {
      level = radio.peek(mem::kAtis2100);
    } else {
      level = japan ? radio.peek(mem::kAtisJapan) : std::max(radio.peek(mem::kAtis1300), radio.peek(mem::kAtis2100));
    }
    return level * atisHzPerCount_;
  }
  const double drive = std::clamp(toneVolts / kLimiterVolts, 0.0, 1.0);
  return radio.peek(mem::kModLevel) * modHzPerCount_ * drive;
}

}  // namespace sim
