#include "sim/Fault.h"

#include <array>
#include <charconv>
#include <utility>

namespace sim {

namespace {

struct KindName {
  FaultKind kind;
  std::string_view name;
};

constexpr std::array<KindName, 11> kKindNames{{
    {FaultKind::NoEcho, "no-echo"},
    {FaultKind::NoAnswer, "no-answer"},
    {FaultKind::StallAfterCloneFrames, "stall-after"},
    {FaultKind::WrongModel, "wrong-model"},
    {FaultKind::WrongSubName, "wrong-sub-name"},
    {FaultKind::BadChecksum, "bad-checksum"},
    {FaultKind::NoiseBetweenFrames, "noise"},
    {FaultKind::AtisNeverConfirmed, "atis-never-confirmed"},
    {FaultKind::MalformedValue, "malformed-value"},
    {FaultKind::WrongSubCommand, "wrong-sub-command"},
    {FaultKind::BadE5, "bad-e5"},
}};

std::optional<int> parseNumber(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  int value = 0;
  const auto* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
  if (text.empty() || ec != std::errc{} || ptr != end || value < 0) return std::nullopt;
  return value;
}

// Splits "name:number" into its parts; the number part is optional.
std::pair<std::string_view, std::string_view> splitColon(std::string_view text) {
  const auto colon = text.find(':');
  if (colon == std::string_view::npos) return {text, {}};
  return {text.substr(0, colon), text.substr(colon + 1)};
}

bool fail(std::string* error, std::string message) {
  if (error) *error = std::move(message);
  return false;
}

bool parseKind(std::string_view text, Fault& fault, std::string* error) {
  const auto [name, arg] = splitColon(text);
  for (const auto& entry : kKindNames) {
    if (entry.name != name) continue;
    fault.kind = entry.kind;
    if (entry.kind != FaultKind::StallAfterCloneFrames) {
      return arg.empty() || fail(error, "fault '" + std::string(name) + "' takes no number");
    }
    const auto n = parseNumber(arg);
    if (!n) return fail(error, "stall-after needs a frame count, e.g. stall-after:40");
    fault.count = *n;
    return true;
  }
  return fail(error, "unknown fault kind '" + std::string(name) + "'");
}

bool parseTrigger(std::string_view text, FaultTrigger& trigger, std::string* error) {
  const auto [name, arg] = splitColon(text);
  if (name == "always" || name == "e5") {
    if (!arg.empty()) return fail(error, "trigger '" + std::string(name) + "' takes no number");
    trigger = name == "always" ? FaultTrigger::always() : FaultTrigger::cloneEnd();
    return true;
  }
  const auto n = parseNumber(arg);
  if (name == "frame" && n)
    trigger = FaultTrigger::frame(*n);
  else if (name == "sub" && n)
    trigger = FaultTrigger::subCommand(*n);
  else if (name == "clone-frame" && n)
    trigger = FaultTrigger::cloneFrame(*n);
  else
    return fail(error, "bad trigger '" + std::string(text) + "'");
  return true;
}

std::string hex2(int value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[(value >> 4) & 0xF], kDigits[value & 0xF]};
}

}  // namespace

bool matches(const FaultTrigger& trigger, const FaultSite& site) {
  switch (trigger.on) {
    case FaultTrigger::On::Always:
      return true;
    case FaultTrigger::On::Frame:
      return site.frame == trigger.value;
    case FaultTrigger::On::SubCommand:
      return site.subCommand == trigger.value;
    case FaultTrigger::On::CloneFrame:
      return site.cloneFrame == trigger.value;
    case FaultTrigger::On::CloneEnd:
      return site.cloneEnd;
  }
  return false;
}

std::optional<Fault> parseFault(std::string_view text, std::string* error) {
  Fault fault;
  constexpr std::string_view kOnce = ",once";
  if (text.size() > kOnce.size() && text.substr(text.size() - kOnce.size()) == kOnce) {
    fault.once = true;
    text.remove_suffix(kOnce.size());
  }
  const auto at = text.find('@');
  if (!parseKind(text.substr(0, at), fault, error)) return std::nullopt;
  if (at != std::string_view::npos && !parseTrigger(text.substr(at + 1), fault.trigger, error)) {
    return std::nullopt;
  }
  return fault;
}

std::string_view kindName(FaultKind kind) {
  for (const auto& entry : kKindNames) {
    if (entry.kind == kind) return entry.name;
  }
  return {};
}

std::string describe(const Fault& fault) {
  std::string text(kindName(fault.kind));
  if (fault.kind == FaultKind::StallAfterCloneFrames) text += ":" + std::to_string(fault.count);
  switch (fault.trigger.on) {
    case FaultTrigger::On::Always:
      text += "@always";
      break;
    case FaultTrigger::On::Frame:
      text += "@frame:" + std::to_string(fault.trigger.value);
      break;
    case FaultTrigger::On::SubCommand:
      text += "@sub:0x" + hex2(fault.trigger.value);
      break;
    case FaultTrigger::On::CloneFrame:
      text += "@clone-frame:" + std::to_string(fault.trigger.value);
      break;
    case FaultTrigger::On::CloneEnd:
      text += "@e5";
      break;
  }
  if (fault.once) text += ",once";
  return text;
}

}  // namespace sim
