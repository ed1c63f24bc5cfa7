#include "sim/TestSet.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace sim {

namespace {

constexpr size_t kMaxLineBytes = 4096;
constexpr size_t kErrorQueueSize = 10;
constexpr double kDbuVOverDbm = 107.0;  // 0 dBm into 50 ohm is 107 dBuV

// Generator and tone ranges.
constexpr double kMinHz = 100e3;
constexpr double kMaxHz = 3e9;
constexpr double kMinDbm = -130.0;
constexpr double kMaxDbm = 13.0;
constexpr double kMinToneHz = 20.0;
constexpr double kMaxToneHz = 20e3;
constexpr double kMaxToneVolts = 4.0;

// Reading noise: the counter's last digits, a meter's half per cent.
constexpr double kCounterNoiseHz = 2.0;
constexpr double kMeterNoise = 0.005;
constexpr double kResidualDeviationHz = 3.0;
constexpr double kPowerFloorWatts = 2e-6;

std::string upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string_view trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view withoutColon(std::string_view text) {
  if (!text.empty() && text.front() == ':') text.remove_prefix(1);
  return text;
}

// SCPI's NR3 form, +1.56025000E+08: written with to_chars, which ignores the
// locale (the test set may run inside a program that sets one).
std::string nr3(double value, int digits) {
  char buf[64];
  const auto end = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, digits - 1).ptr;
  std::string text = upper(std::string_view(buf, static_cast<size_t>(end - buf)));
  return text.front() == '-' ? text : "+" + text;
}

std::string onOff(bool on) { return on ? "1" : "0"; }

// One node of a command's header: the long form with its short form in
// capitals (FREQuency), optional when written in brackets.
struct Node {
  std::string shortForm;
  std::string longForm;
  bool optional = false;
};

std::vector<Node> parsePattern(std::string_view pattern) {
  std::vector<Node> nodes;
  size_t at = 0;
  while (at < pattern.size()) {
    size_t end = pattern.find(' ', at);
    if (end == std::string_view::npos) end = pattern.size();
    std::string_view token = pattern.substr(at, end - at);
    Node node;
    if (token.front() == '[') {
      node.optional = true;
      token = token.substr(1, token.size() - 2);
    }
    for (char c : token) {
      if (std::islower(static_cast<unsigned char>(c))) break;
      node.shortForm += c;
    }
    node.longForm = upper(token);
    nodes.push_back(node);
    at = end + 1;
  }
  return nodes;
}

bool matches(const std::vector<Node>& nodes, size_t n, const std::vector<std::string>& parts, size_t p) {
  if (n == nodes.size()) return p == parts.size();
  const Node& node = nodes[n];
  if (p < parts.size() && (parts[p] == node.shortForm || parts[p] == node.longForm) &&
      matches(nodes, n + 1, parts, p + 1)) {
    return true;
  }
  return node.optional && matches(nodes, n + 1, parts, p);
}

std::vector<std::string> headerParts(const std::string& header) {
  std::vector<std::string> parts;
  size_t at = 0;
  while (at <= header.size()) {
    size_t end = header.find(':', at);
    if (end == std::string::npos) end = header.size();
    parts.push_back(header.substr(at, end - at));
    at = end + 1;
  }
  return parts;
}

struct Suffix {
  std::string_view name;
  double scale;
};

}  // namespace

struct TestSet::Command {
  std::vector<Node> nodes;
  bool set;
  bool query;
  Handler handler;
};

const std::vector<TestSet::Command>& TestSet::commands() {
  static const std::vector<Command> table = [] {
    struct Row {
      std::string_view pattern;
      bool set;
      bool query;
      Handler handler;
    };
    const Row rows[] = {
        {"*IDN", false, true, &TestSet::identify},
        {"*CLS", true, false, &TestSet::clearStatus},
        {"*RST", true, false, &TestSet::reset},
        {"*OPC", false, true, &TestSet::operationComplete},
        {"*WAI", true, false, &TestSet::wait},
        {"SYSTem ERRor [NEXT]", false, true, &TestSet::nextError},
        {"[SOURce] FREQuency [CW]", true, true, &TestSet::frequency},
        {"[SOURce] POWer [LEVel] [IMMediate] [AMPLitude]", true, true, &TestSet::level},
        {"OUTPut [STATe]", true, true, &TestSet::output},
        {"[SOURce] FM [STATe]", true, true, &TestSet::fm},
        {"[SOURce] LFOutput FREQuency", true, true, &TestSet::toneFrequency},
        {"[SOURce] LFOutput VOLTage", true, true, &TestSet::toneVolts},
        {"[SOURce] LFOutput [STATe]", true, true, &TestSet::toneState},
        {"UNIT POWer", true, true, &TestSet::powerUnit},
        {"MEASure FREQuency", false, true, &TestSet::measureFrequency},
        {"MEASure POWer", false, true, &TestSet::measurePower},
        {"MEASure FM [DEViation]", false, true, &TestSet::measureDeviation},
        {"PTT", true, true, &TestSet::ptt},
    };
    std::vector<Command> out;
    for (const Row& row : rows) out.push_back({parsePattern(row.pattern), row.set, row.query, row.handler});
    return out;
  }();
  return table;
}

TestSet::TestSet(const TestSetOptions& options)
    : options_(options),
      transmitter_(options.seed),
      rng_(options.seed),
      identity_("Simulated,Radio Test Set," + std::to_string(100000 + options.seed % 900000) + ",1.0") {}

// ------------------------------------------------------------ connection

bool TestSet::Connect() {
  if (connected_ && hit(TestSetFault::Kind::RefuseSecondConnection, {})) return false;
  drop();
  connected_ = true;
  ++connectionId_;
  return true;
}

void TestSet::Disconnect() { drop(); }

void TestSet::drop() {
  connected_ = false;
  in_.clear();
  out_.clear();
}

// ---------------------------------------------------------------- bytes

void TestSet::Receive(std::string_view bytes, int64_t nowMs, Radio& radio) {
  for (char c : bytes) {
    if (!connected_) return;  // dropped by a fault: the rest is lost with the connection
    if (c != '\n') {
      in_ += c;
      if (in_.size() > kMaxLineBytes) {
        pushError(-223, "Too much data");
        in_.clear();
      }
      continue;
    }
    const std::string line = std::move(in_);
    in_.clear();
    executeLine(line, nowMs, radio);
  }
}

std::string TestSet::Transmit(int64_t nowMs) {
  std::string bytes;
  while (!out_.empty() && out_.front().first <= nowMs) {
    bytes += out_.front().second;
    out_.pop_front();
  }
  return bytes;
}

void TestSet::schedule(std::string text, int64_t atMs, const Shaping& shaping) {
  if (!out_.empty() && out_.back().first == heldUntilMs_) {  // an answer held back takes this one along
    out_.back().second += text;
    return;
  }
  if (!out_.empty()) atMs = std::max(atMs, out_.back().first);
  if (shaping.joined) {
    heldUntilMs_ = atMs + kJoinHoldMs;
    out_.emplace_back(heldUntilMs_, std::move(text));
    return;
  }
  if (!shaping.split) {
    out_.emplace_back(atMs, std::move(text));
    return;
  }
  for (size_t at = 0; at < text.size(); at += kSplitPieceBytes) {
    out_.emplace_back(atMs, text.substr(at, kSplitPieceBytes));
    atMs += kSplitGapMs;
  }
}

bool TestSet::hit(TestSetFault::Kind kind, const std::string& unit) {
  for (auto& armed : faults_) {
    if (armed.spent || armed.fault.kind != kind) continue;
    const std::string on = upper(withoutColon(armed.fault.on));
    if (unit.compare(0, on.size(), on) != 0) continue;
    if (armed.fault.once) armed.spent = true;
    return true;
  }
  return false;
}

void TestSet::executeLine(const std::string& line, int64_t nowMs, Radio& radio) {
  std::vector<std::string> answers;
  Shaping shaping;
  bool measured = false;
  std::string_view rest = line;
  while (true) {
    const size_t semicolon = rest.find(';');
    const std::string_view text = trim(rest.substr(0, semicolon));
    if (!text.empty()) {
      const std::string unitText = upper(withoutColon(text));
      if (hit(TestSetFault::Kind::DropConnection, unitText)) {
        drop();
        return;
      }
      if (!hit(TestSetFault::Kind::Silent, unitText)) {
        Unit unit;
        const size_t blank = unitText.find_first_of(" \t");
        unit.header = unitText.substr(0, blank);
        if (blank != std::string::npos) unit.param = std::string(trim(unitText.substr(blank)));
        unit.query = !unit.header.empty() && unit.header.back() == '?';
        if (unit.query) unit.header.pop_back();
        if (auto answer = execute(unit, radio)) answers.push_back(std::move(*answer));
        measured = measured || (unit.query && unit.header.compare(0, 4, "MEAS") == 0);
        shaping.split = hit(TestSetFault::Kind::SplitAnswers, unitText) || shaping.split;
        shaping.joined = hit(TestSetFault::Kind::JoinedAnswers, unitText) || shaping.joined;
        shaping.crlf = hit(TestSetFault::Kind::CrLf, unitText) || shaping.crlf;
        if (hit(TestSetFault::Kind::QueuedError, unitText)) pushError(-221, "Settings conflict");
      }
    }
    if (semicolon == std::string_view::npos) break;
    rest.remove_prefix(semicolon + 1);
  }
  if (answers.empty()) return;
  std::string text;
  for (const auto& answer : answers) text += (text.empty() ? "" : ";") + answer;
  text += shaping.crlf ? "\r\n" : "\n";
  schedule(std::move(text), nowMs + options_.answerDelayMs + (measured ? options_.measureMs : 0), shaping);
}

std::optional<std::string> TestSet::execute(const Unit& unit, Radio& radio) {
  const auto parts = headerParts(unit.header);
  for (const Command& command : commands()) {
    if (!(unit.query ? command.query : command.set) || !matches(command.nodes, 0, parts, 0)) continue;
    if (unit.query && !unit.param.empty()) {
      pushError(-108, "Parameter not allowed");
      return std::nullopt;
    }
    return (this->*command.handler)(unit, radio);
  }
  pushError(-113, "Undefined header");
  return std::nullopt;
}

void TestSet::pushError(int code, std::string_view text) {
  if (errors_.size() >= kErrorQueueSize) {
    errors_.back() = "-350,\"Queue overflow\"";
    return;
  }
  errors_.push_back(std::to_string(code) + ",\"" + std::string(text) + "\"");
}

// ------------------------------------------------------------ parameters

std::optional<double> TestSet::number(const Unit& unit, std::string_view unitKind, double lo, double hi) {
  static constexpr Suffix kSuffixes[] = {{"HZ", 1.0},  {"KHZ", 1e3}, {"MHZ", 1e6}, {"GHZ", 1e9},
                                         {"DBM", 1.0}, {"V", 1.0},   {"MV", 1e-3}, {"UV", 1e-6}};
  const std::string& text = unit.param;
  if (text.empty()) {
    pushError(-109, "Missing parameter");
    return std::nullopt;
  }
  if (text == "MIN" || text == "MINIMUM") return lo;
  if (text == "MAX" || text == "MAXIMUM") return hi;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  const bool negative = *first == '-';
  if (*first == '+' || *first == '-') ++first;
  double value = 0.0;
  const auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
  if (ec != std::errc() || first == last || *first == '+' || *first == '-') {
    pushError(-104, "Data type error");
    return std::nullopt;
  }
  if (negative) value = -value;
  const std::string_view suffix = trim(std::string_view(end, static_cast<size_t>(last - end)));
  if (!suffix.empty()) {
    const auto* found = std::find_if(std::begin(kSuffixes), std::end(kSuffixes),
                                     [&](const Suffix& s) { return s.name == suffix && s.name.ends_with(unitKind); });
    if (found == std::end(kSuffixes)) {
      pushError(-131, "Invalid suffix");
      return std::nullopt;
    }
    value *= found->scale;
  }
  if (!(value >= lo && value <= hi)) {
    pushError(-222, "Data out of range");
    return std::nullopt;
  }
  return value;
}

std::optional<bool> TestSet::boolean(const Unit& unit) {
  if (unit.param.empty()) {
    pushError(-109, "Missing parameter");
    return std::nullopt;
  }
  if (unit.param == "ON" || unit.param == "1") return true;
  if (unit.param == "OFF" || unit.param == "0") return false;
  pushError(-224, "Illegal parameter value");
  return std::nullopt;
}

bool TestSet::noParam(const Unit& unit) {
  if (unit.param.empty()) return true;
  pushError(-108, "Parameter not allowed");
  return false;
}

double TestSet::noisy(double value, double relative, double absolute) {
  if (!options_.noisyReadings) return value;
  std::normal_distribution<double> gauss(0.0, 1.0);
  return value * (1.0 + relative * gauss(rng_)) + absolute * gauss(rng_);
}

void TestSet::applyGenerator(Radio& radio) const {
  if (!generator_.output) {
    radio.setGeneratorSignal(std::nullopt);
    return;
  }
  radio.setGeneratorSignal(GeneratorSignal{std::llround(generator_.hz), generator_.dBm + kDbuVOverDbm});
}

// -------------------------------------------------------------- commands

std::optional<std::string> TestSet::identify(const Unit&, Radio&) { return identity_; }

std::optional<std::string> TestSet::clearStatus(const Unit& unit, Radio&) {
  if (noParam(unit)) errors_.clear();
  return std::nullopt;
}

std::optional<std::string> TestSet::reset(const Unit& unit, Radio& radio) {
  if (!noParam(unit)) return std::nullopt;
  generator_ = {};
  ptt_ = false;
  powerInWatts_ = true;
  applyGenerator(radio);
  radio.setPttKeyed(false);
  return std::nullopt;
}

std::optional<std::string> TestSet::operationComplete(const Unit&, Radio&) { return "1"; }

std::optional<std::string> TestSet::wait(const Unit& unit, Radio&) {
  noParam(unit);
  return std::nullopt;
}

std::optional<std::string> TestSet::nextError(const Unit&, Radio&) {
  if (errors_.empty()) return "0,\"No error\"";
  std::string error = std::move(errors_.front());
  errors_.pop_front();
  return error;
}

std::optional<std::string> TestSet::frequency(const Unit& unit, Radio& radio) {
  if (unit.query) return nr3(generator_.hz, 10);
  if (const auto hz = number(unit, "HZ", kMinHz, kMaxHz)) {
    generator_.hz = *hz;
    applyGenerator(radio);
  }
  return std::nullopt;
}

std::optional<std::string> TestSet::level(const Unit& unit, Radio& radio) {
  if (unit.query) return nr3(generator_.dBm, 5);
  if (const auto dBm = number(unit, "DBM", kMinDbm, kMaxDbm)) {
    generator_.dBm = *dBm;
    applyGenerator(radio);
  }
  return std::nullopt;
}

std::optional<std::string> TestSet::output(const Unit& unit, Radio& radio) {
  if (unit.query) return onOff(generator_.output);
  if (const auto on = boolean(unit)) {
    generator_.output = *on;
    applyGenerator(radio);
  }
  return std::nullopt;
}

std::optional<std::string> TestSet::fm(const Unit& unit, Radio&) {
  if (unit.query) return onOff(generator_.fm);
  if (const auto on = boolean(unit)) generator_.fm = *on;
  return std::nullopt;
}

std::optional<std::string> TestSet::toneFrequency(const Unit& unit, Radio&) {
  if (unit.query) return nr3(generator_.toneHz, 6);
  if (const auto hz = number(unit, "HZ", kMinToneHz, kMaxToneHz)) generator_.toneHz = *hz;
  return std::nullopt;
}

std::optional<std::string> TestSet::toneVolts(const Unit& unit, Radio&) {
  if (unit.query) return nr3(generator_.toneVolts, 5);
  if (const auto volts = number(unit, "V", 0.0, kMaxToneVolts)) generator_.toneVolts = *volts;
  return std::nullopt;
}

std::optional<std::string> TestSet::toneState(const Unit& unit, Radio&) {
  if (unit.query) return onOff(generator_.toneOn);
  if (const auto on = boolean(unit)) generator_.toneOn = *on;
  return std::nullopt;
}

std::optional<std::string> TestSet::powerUnit(const Unit& unit, Radio&) {
  if (unit.query) return powerInWatts_ ? "W" : "DBM";
  if (unit.param.empty()) {
    pushError(-109, "Missing parameter");
  } else if (unit.param == "W" || unit.param == "DBM") {
    powerInWatts_ = unit.param == "W";
  } else {
    pushError(-224, "Illegal parameter value");
  }
  return std::nullopt;
}

std::optional<std::string> TestSet::measureFrequency(const Unit&, Radio& radio) {
  const auto hz = transmitter_.carrierHz(radio);
  return nr3(hz ? noisy(*hz, 0.0, kCounterNoiseHz) : kNoReading, 11);
}

std::optional<std::string> TestSet::measurePower(const Unit&, Radio& radio) {
  const auto watts = transmitter_.watts(radio);
  const double reading = watts ? noisy(*watts, kMeterNoise, 0.0) : kPowerFloorWatts * (1.0 + noisy(0.0, 0.0, 0.2));
  return nr3(powerInWatts_ ? reading : 10.0 * std::log10(reading * 1000.0), 4);
}

std::optional<std::string> TestSet::measureDeviation(const Unit&, Radio& radio) {
  const double toneVolts = generator_.toneOn ? generator_.toneVolts : 0.0;
  const auto hz = transmitter_.deviationHz(radio, toneVolts);
  return nr3(hz ? std::abs(noisy(*hz, kMeterNoise, kResidualDeviationHz)) : kNoReading, 4);
}

std::optional<std::string> TestSet::ptt(const Unit& unit, Radio& radio) {
  if (unit.query) return onOff(ptt_);
  if (const auto on = boolean(unit)) {
    ptt_ = *on;
    radio.setPttKeyed(ptt_);
  }
  return std::nullopt;
}

}  // namespace sim
