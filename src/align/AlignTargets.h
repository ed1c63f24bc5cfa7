// What the alignment aims at: the [TARGETS] section of the bench file. The
// section comes in as key/value text, so this reader stands apart from how
// the bench file is read; keys are matched as the settings store matches
// them (ASCII case and surrounding blanks ignored), numbers are read in the
// C locale, and an empty value counts as not given.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "align/AlignStep.h"

namespace pw {

struct AlignTargets {
  // The highest powers marine VHF allows on the high and the low level.
  static constexpr double kMaxHighPowerW = 25.0;
  static constexpr double kMaxLowPowerW = 1.0;
  // The power limit, when not given, as a share of the high power.
  static constexpr double kPowerLimitShare = 1.2;

  std::string channel;  // as the console shows it ("INT 06"); empty: the console's channel
  std::optional<double> bpfLevelDbm;
  std::optional<double> sqlFirstDbm;
  std::optional<double> sqlSecondDbm;
  double txfToleranceHz = 150;
  std::optional<double> powerHiW;
  std::optional<double> powerLoW;
  std::optional<double> powerElW;
  std::optional<double> powerTolerancePct;
  std::optional<double> powerLimitW;  // as given; PowerLimit() supplies the default
  std::optional<double> modDeviationHz;
  std::optional<double> modToleranceHz;
  double audioHz = 1000;
  std::optional<double> audioLevelMv;
  std::optional<double> atis1300DeviationHz;
  std::optional<double> atis2100DeviationHz;
  std::optional<double> atisJapanDeviationHz;
  std::optional<double> atisToleranceHz;
  int maxJump = 8;  // counts per change while keyed

  // The power reading that fails a keyed step at once: PowerLimitW, or
  // 1.2 times PowerHiW; none when neither is known.
  std::optional<double> PowerLimit() const;

  // Why a step cannot run with these targets.
  struct Refusal {
    enum class Why { None, MissingTargets, AboveMarineLimit };
    Why why = Why::None;
    std::vector<std::string> keys;  // the keys the step still needs, or the one above its limit
  };
  // The ATIS step needs the combined level's target on a radio for the
  // Japanese market and the two tones' targets on every other.
  Refusal RefusalOf(AlignStep step, bool japaneseRadio) const;
};

struct AlignTargetsReading {
  AlignTargets targets;
  // The first key, in the order of the section's description, whose value
  // is not a number that key may hold; empty when every value is good.
  std::string badKey;
};

AlignTargetsReading ReadAlignTargets(const std::map<std::string, std::string>& section);

}  // namespace pw
