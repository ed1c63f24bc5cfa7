#include "align/AlignChannel.h"

#include <array>

#include "base/TextScan.h"
#include "model/clsIndOp_RigR4T.h"
#include "settings/ProfileLines.h"

namespace pw {

namespace {

constexpr std::array<std::string_view, 4> kGroupLabels = {"INT", "USA", "CAN", "WX"};
constexpr int16_t kWeatherGroup = 3;

// Never keyed, whatever the channel is called: 16 (distress and calling)
// and 70 (digital selective calling), by the frequency they transmit on.
constexpr std::array<int32_t, 2> kNeverKeyedHz = {156800000, 156525000};

// Blanks trimmed and each run of them made one blank.
std::string Normalized(std::string_view text) {
  std::string out;
  bool blank = false;
  for (char c : TrimBlanks(text)) {
    if (IsBlank(c)) {
      blank = true;
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += c;
  }
  return out;
}

bool InBand(int32_t hz) { return hz >= AlignChannel::kBandLowHz && hz <= AlignChannel::kBandHighHz; }

}  // namespace

int16_t AlignChannel::GroupSize(int16_t group) { return group == kWeatherGroup ? 10 : 256; }

bool AlignChannel::Selectable(int16_t group, int16_t chNo) const {
  return map_.RigR4TEep_GetChGroupAppear(group) && map_.RigR4TEep_GetChAppear(group, chNo);
}

bool AlignChannel::MayKey(int16_t group, int16_t chNo) const {
  if (!Selectable(group, chNo) || map_.RigR4TEep_GetChTxInh(group, chNo)) return false;
  const int32_t tx = map_.RigR4TEep_GetChFreqTxReal(group, chNo);
  for (int32_t never : kNeverKeyedHz) {
    if (tx == never) return false;
  }
  return InBand(tx);
}

AlignChannel::Channel AlignChannel::Make(int16_t group, int16_t chNo) const {
  Channel c;
  c.group = group;
  c.chNo = chNo;
  c.name = std::string(kGroupLabels[static_cast<std::size_t>(group)]) + " " +
           std::string(TrimBlanks(map_.RigR4TEep_GetChName(group, chNo)));
  c.rxHz = map_.RigR4TEep_GetChFreqRxReal(group, chNo);
  c.txHz = map_.RigR4TEep_GetChFreqTxReal(group, chNo);
  return c;
}

std::optional<AlignChannel::Channel> AlignChannel::Find(std::string_view text) const {
  const std::string wanted = Normalized(text);
  const std::size_t blank = wanted.find(' ');
  if (blank == std::string::npos) return std::nullopt;
  const std::string_view label = std::string_view(wanted).substr(0, blank);
  const std::string_view name = std::string_view(wanted).substr(blank + 1);
  for (int16_t group = 0; group < static_cast<int16_t>(kGroupLabels.size()); ++group) {
    if (!profile::EqualsNoCase(kGroupLabels[static_cast<std::size_t>(group)], label)) continue;
    for (int16_t chNo = 0; chNo < GroupSize(group); ++chNo) {
      if (!Selectable(group, chNo)) continue;
      const std::string shown = Normalized(map_.RigR4TEep_GetChName(group, chNo));
      // A free channel shows its own name in brackets after its number.
      const std::string bare = shown.substr(0, shown.find(" ("));
      if (profile::EqualsNoCase(name, shown) || profile::EqualsNoCase(name, bare)) return Make(group, chNo);
    }
  }
  return std::nullopt;
}

std::optional<AlignChannel::Channel> AlignChannel::ForReceiving(int16_t group, int16_t chNo) const {
  if (!Selectable(group, chNo) || !InBand(map_.RigR4TEep_GetChFreqRxReal(group, chNo))) return std::nullopt;
  return Make(group, chNo);
}

std::optional<AlignChannel::Channel> AlignChannel::ForKeying(int16_t group, int16_t chNo) const {
  if (group < 0 || group >= static_cast<int16_t>(kGroupLabels.size())) return std::nullopt;
  const int16_t size = GroupSize(group);
  const int16_t start = (chNo >= 0 && chNo < size) ? chNo : 0;
  for (int16_t i = 0; i < size; ++i) {
    const int16_t candidate = static_cast<int16_t>((start + i) % size);
    if (MayKey(group, candidate)) return Make(group, candidate);
  }
  return std::nullopt;
}

std::optional<AlignChannel::Channel> AlignChannel::ForStep(std::string_view named, const clsIndOp_RigR4T& model,
                                                           bool keyed) const {
  int16_t group = -1;
  int16_t chNo = model.curChNo();
  if (TrimBlanks(named).empty()) {
    const int16_t dial = model.curDialIndex();
    if (dial >= 0 && dial < clsIndOp_RigR4T::kDialTableSize) group = model.dialTable()[static_cast<std::size_t>(dial)];
  } else {
    const std::optional<Channel> found = Find(named);
    if (!found) return std::nullopt;
    group = found->group;
    chNo = found->chNo;
  }
  return keyed ? ForKeying(group, chNo) : ForReceiving(group, chNo);
}

}  // namespace pw
