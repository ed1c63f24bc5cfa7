// What the radio sends while keyed, as a radio test set measures it: the
// carrier from the reference table entry of the present temperature band, the
// output power from the byte of the selected power level, the deviation from
// MOD or from the level of the ATIS tone being sent. Every unit has offsets of
// its own, drawn from a seed, so an alignment has to measure, not assume.
#pragma once

#include "sim/Radio.h"

#include <cstdint>
#include <optional>

namespace sim {

class Transmitter {
 public:
  explicit Transmitter(uint32_t seed = 1);

  // Hz, W and Hz peak; nullopt while the radio sends nothing (not keyed, or
  // the channel inhibits transmission).
  std::optional<double> carrierHz(const Radio& radio) const;
  std::optional<double> watts(const Radio& radio) const;
  // toneVolts: the audio tone at the microphone input, 0 when it is off.
  std::optional<double> deviationHz(const Radio& radio, double toneVolts) const;

  // This unit's offsets.
  double hzPerCount() const { return hzPerCount_; }  // carrier step per reference table count
  int onFrequencyCount() const { return onFrequencyCount_; }

  // A microphone tone at or above this level drives the modulator into its limiter.
  static constexpr double kLimiterVolts = 0.005;

 private:
  bool sending(const Radio& radio) const;

  double hzPerCount_;
  int onFrequencyCount_;
  double powerGain_;
  double modHzPerCount_;
  double atisHzPerCount_;
};

}  // namespace sim
