#include "align/AlignTargets.h"

#include <cmath>
#include <string_view>
#include <type_traits>

#include "base/TextScan.h"
#include "settings/ProfileLines.h"
#include "settings/ProfileNumbers.h"

namespace pw {

namespace {

// What a key's number may be.
enum class Kind {
  Level,     // any finite number: dBm at the radio
  Positive,  // above zero: powers, frequencies, deviations, tolerances
  Count,     // a whole number of console counts, 1 to 255
};

bool Fits(Kind kind, double v) {
  switch (kind) {
    case Kind::Level:
      return true;
    case Kind::Positive:
      return v > 0;
    case Kind::Count:
      return v >= 1 && v <= 255 && v == std::floor(v);
  }
  return false;
}

template <auto Member>
void Store(AlignTargets& t, double v) {
  using Field = std::remove_reference_t<decltype(t.*Member)>;
  if constexpr (std::is_same_v<Field, int>) {
    t.*Member = static_cast<int>(v);
  } else {
    t.*Member = v;
  }
}

struct NumberKey {
  std::string_view name;
  Kind kind;
  void (*store)(AlignTargets&, double);
};

// In the order the keys are described to the workshop; the first bad one is
// the one reported.
constexpr NumberKey kNumberKeys[] = {
    {"BpfLevelDbm", Kind::Level, &Store<&AlignTargets::bpfLevelDbm>},
    {"SqlFirstDbm", Kind::Level, &Store<&AlignTargets::sqlFirstDbm>},
    {"SqlSecondDbm", Kind::Level, &Store<&AlignTargets::sqlSecondDbm>},
    {"TxfToleranceHz", Kind::Positive, &Store<&AlignTargets::txfToleranceHz>},
    {"PowerHiW", Kind::Positive, &Store<&AlignTargets::powerHiW>},
    {"PowerLoW", Kind::Positive, &Store<&AlignTargets::powerLoW>},
    {"PowerElW", Kind::Positive, &Store<&AlignTargets::powerElW>},
    {"PowerTolerancePct", Kind::Positive, &Store<&AlignTargets::powerTolerancePct>},
    {"PowerLimitW", Kind::Positive, &Store<&AlignTargets::powerLimitW>},
    {"ModDeviationHz", Kind::Positive, &Store<&AlignTargets::modDeviationHz>},
    {"ModToleranceHz", Kind::Positive, &Store<&AlignTargets::modToleranceHz>},
    {"AudioHz", Kind::Positive, &Store<&AlignTargets::audioHz>},
    {"AudioLevelMv", Kind::Positive, &Store<&AlignTargets::audioLevelMv>},
    {"Atis1300DeviationHz", Kind::Positive, &Store<&AlignTargets::atis1300DeviationHz>},
    {"Atis2100DeviationHz", Kind::Positive, &Store<&AlignTargets::atis2100DeviationHz>},
    {"AtisJapanDeviationHz", Kind::Positive, &Store<&AlignTargets::atisJapanDeviationHz>},
    {"AtisToleranceHz", Kind::Positive, &Store<&AlignTargets::atisToleranceHz>},
    {"MaxJump", Kind::Count, &Store<&AlignTargets::maxJump>},
};

// The trimmed value of the first entry named key; empty when there is none.
std::string ValueOf(const std::map<std::string, std::string>& section, std::string_view key) {
  for (const auto& [name, value] : section) {
    if (profile::EqualsNoCase(TrimBlanks(name), key)) return std::string(TrimBlanks(value));
  }
  return std::string();
}

// A target a step needs, by key and where its value is kept.
struct Need {
  std::string_view key;
  const std::optional<double>& value;
};

std::vector<std::string> Missing(std::initializer_list<Need> needs) {
  std::vector<std::string> keys;
  for (const Need& n : needs) {
    if (!n.value) keys.emplace_back(n.key);
  }
  return keys;
}

}  // namespace

std::optional<double> AlignTargets::PowerLimit() const {
  if (powerLimitW) return powerLimitW;
  if (powerHiW) return kPowerLimitShare * *powerHiW;
  return std::nullopt;
}

AlignTargets::Refusal AlignTargets::RefusalOf(AlignStep step, bool japaneseRadio) const {
  std::vector<std::string> missing;
  switch (step) {
    case AlignStep::Txf:
      break;  // its tolerance has a default, its frequency comes from the channel
    case AlignStep::Bpf:
      missing = Missing({{"BpfLevelDbm", bpfLevelDbm}});
      break;
    case AlignStep::Sql:
      missing = Missing({{"SqlFirstDbm", sqlFirstDbm}, {"SqlSecondDbm", sqlSecondDbm}});
      break;
    case AlignStep::Power:
      missing = Missing({{"PowerHiW", powerHiW},
                         {"PowerLoW", powerLoW},
                         {"PowerElW", powerElW},
                         {"PowerTolerancePct", powerTolerancePct}});
      break;
    case AlignStep::Mod:
      missing = Missing(
          {{"ModDeviationHz", modDeviationHz}, {"ModToleranceHz", modToleranceHz}, {"AudioLevelMv", audioLevelMv}});
      break;
    case AlignStep::Atis:
      missing = japaneseRadio
                    ? Missing({{"AtisJapanDeviationHz", atisJapanDeviationHz}, {"AtisToleranceHz", atisToleranceHz}})
                    : Missing({{"Atis1300DeviationHz", atis1300DeviationHz},
                               {"Atis2100DeviationHz", atis2100DeviationHz},
                               {"AtisToleranceHz", atisToleranceHz}});
      break;
  }
  if (!missing.empty()) return {Refusal::Why::MissingTargets, missing};
  if (step == AlignStep::Power) {
    if (*powerHiW > kMaxHighPowerW) return {Refusal::Why::AboveMarineLimit, {"PowerHiW"}};
    if (*powerLoW > kMaxLowPowerW) return {Refusal::Why::AboveMarineLimit, {"PowerLoW"}};
  }
  return {};
}

AlignTargetsReading ReadAlignTargets(const std::map<std::string, std::string>& section) {
  AlignTargetsReading reading;
  reading.targets.channel = ValueOf(section, "Channel");
  for (const NumberKey& key : kNumberKeys) {
    const std::string text = ValueOf(section, key.name);
    if (text.empty()) continue;
    double v = 0;
    if (!profile::ParseFloating(text, v) || !Fits(key.kind, v)) {
      if (reading.badKey.empty()) reading.badKey = std::string(key.name);
      continue;
    }
    key.store(reading.targets, v);
  }
  return reading;
}

}  // namespace pw
