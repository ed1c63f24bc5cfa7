#include "sim/Radio.h"

#include "sim/Analog.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace sim {

namespace {

constexpr uint8_t kPreamble = 0xFE;
constexpr uint8_t kEnd = 0xFD;
constexpr uint8_t kRadioAdr = 0xEE;
constexpr uint8_t kProgramAdr = 0xEF;
constexpr uint8_t kIdentify = 0xE0;
constexpr uint8_t kIdentity = 0xE1;
constexpr uint8_t kCloneRead = 0xE2;
constexpr uint8_t kCloneData = 0xE4;
constexpr uint8_t kCloneEnd = 0xE5;
constexpr uint8_t kAdjust = 0xE8;
constexpr uint8_t kAtisModeSub = 0x03;
constexpr std::string_view kSignature = "Torv Inc.";
constexpr int64_t kNsPerMs = 1'000'000;
constexpr size_t kMaxFrame = 512;  // longer means the program is not talking frames

char hexDigit(int nibble) { return "0123456789ABCDEF"[nibble & 0xF]; }

void appendAsciiHex(std::vector<uint8_t>& out, uint8_t value) {
  out.push_back(static_cast<uint8_t>(hexDigit(value >> 4)));
  out.push_back(static_cast<uint8_t>(hexDigit(value)));
}

std::optional<int> hexValue(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return std::nullopt;
}

std::optional<uint8_t> asciiHexByte(uint8_t hi, uint8_t lo) {
  const auto h = hexValue(hi);
  const auto l = hexValue(lo);
  if (!h || !l) return std::nullopt;
  return static_cast<uint8_t>(*h * 16 + *l);
}

int64_t ceilMs(int64_t ns) { return (ns + kNsPerMs - 1) / kNsPerMs; }

void appendWord(std::vector<uint8_t>& out, uint16_t word) {
  out.push_back(static_cast<uint8_t>(word >> 8));
  out.push_back(static_cast<uint8_t>(word));
}

// E8 sub-commands that only set something; the value lands in EEPROM here.
std::optional<int> eepromTarget(uint8_t sub) {
  switch (sub) {
    case 0x08:
      return mem::kModLevel;
    case 0x09:
      return mem::kAtis1300;
    case 0x0A:
      return mem::kAtis2100;
    case 0x0E:
      return mem::kAtisJapan;
    case 0x0B:
      return mem::kPowerLo;
    case 0x0C:
      return mem::kPowerHi;
    case 0x0D:
      return mem::kPowerEl;
    default:
      break;
  }
  if (sub >= 0x10 && sub <= 0x13) return mem::kBpfLevels + (sub - 0x10);
  if (sub >= 0x20 && sub < 0x20 + mem::kRefTableSize) return mem::kRefTable + (sub - 0x20);
  if (sub >= 0x70 && sub <= 0x75) return mem::kSqlThresholds + (sub - 0x70);
  return std::nullopt;
}

std::optional<Group> groupOfDialMode(uint8_t value) {
  switch (value) {
    case 2:
      return Group::Int;
    case 4:
      return Group::Usa;
    case 1:
      return Group::Can;
    case 0x20:
      return Group::Wx;
    default:
      return std::nullopt;
  }
}

}  // namespace

std::string formatFrame(const FrameLogEntry& entry) {
  std::string text = entry.direction == FrameLogEntry::Direction::Rx ? "RX" : "TX";
  for (uint8_t b : entry.bytes) {
    text += ' ';
    text += hexDigit(b >> 4);
    text += hexDigit(b);
  }
  return text;
}

int64_t Radio::Uart::freeAtNs() const { return runStartNs + runBytes * 1'000'000'000 / kBytesPerSecond; }

int64_t Radio::Uart::nextDueNs(int64_t earliestNs) {
  if (earliestNs >= freeAtNs()) {  // the line went idle: a new run starts
    runStartNs = earliestNs;
    runBytes = 0;
  }
  ++runBytes;
  return freeAtNs();
}

Radio::Radio(const RadioOptions& options)
    : options_(options), memory_(defaultMemory(options.japan)), rng_(options.noiseSeed) {}

// ---------------------------------------------------------------- the line

void Radio::Receive(const std::vector<uint8_t>& bytes, int64_t nowMs) {
  const int64_t nowNs = nowMs * kNsPerMs;
  for (uint8_t b : bytes) {
    const int64_t due = options_.pacing ? programUart_.nextDueNs(nowNs) : nowNs;
    if (acceptByte(b, due)) completeFrame(due, nowNs);
  }
}

std::vector<uint8_t> Radio::Transmit(int64_t nowMs) {
  const int64_t nowNs = nowMs * kNsPerMs;
  std::vector<uint8_t> out;
  const auto end = line_.upper_bound(nowNs);
  for (auto it = line_.begin(); it != end; ++it) out.push_back(it->second);
  line_.erase(line_.begin(), end);

  const auto logEnd = pendingTxLog_.upper_bound(nowNs);
  for (auto it = pendingTxLog_.begin(); it != logEnd; ++it) log(std::move(it->second));
  pendingTxLog_.erase(pendingTxLog_.begin(), logEnd);
  return out;
}

int64_t Radio::NextDueMs() const { return line_.empty() ? -1 : ceilMs(line_.begin()->first); }

// ------------------------------------------------------------- receiving

bool Radio::acceptByte(uint8_t byte, int64_t dueNs) {
  if (byte == kPreamble) {
    const bool inPreamble =
        inFrame_ && std::all_of(frameBuf_.begin(), frameBuf_.end(), [](uint8_t b) { return b == kPreamble; });
    if (!inPreamble) {  // a preamble after anything else restarts the frame
      abortFrame();
      inFrame_ = true;
    }
  }
  if (!inFrame_) {  // stray byte outside a frame: just echoed
    line_.emplace(dueNs, byte);
    return false;
  }
  frameBuf_.push_back(byte);
  heldEcho_.emplace_back(dueNs, byte);
  if (byte == kEnd) {
    inFrame_ = false;
    return true;
  }
  if (frameBuf_.size() > kMaxFrame) abortFrame();
  return false;
}

void Radio::abortFrame() {
  for (const auto& [due, b] : heldEcho_) line_.emplace(due, b);
  heldEcho_.clear();
  frameBuf_.clear();
  inFrame_ = false;
}

void Radio::completeFrame(int64_t endNs, int64_t nowNs) {
  Bytes frame = std::move(frameBuf_);
  frameBuf_.clear();
  if (frame.size() < 3 || frame[1] != kPreamble) {  // FE x .. FD is not a frame
    abortFrame();
    return;
  }
  log({ceilMs(endNs), FrameLogEntry::Direction::Rx, frame});

  const auto bodyStart = std::find_if(frame.begin(), frame.end(), [](uint8_t b) { return b != kPreamble; });
  const Bytes body(bodyStart, frame.end() - 1);  // dst src cmd data..., FD dropped
  FaultSite site;
  site.frame = framesReceived_++;
  if (body.size() >= 8 && body[2] == kAdjust) site.subCommand = body[7];

  if (hit(FaultKind::NoEcho, site)) heldEcho_.clear();
  abortFrame();  // releases whatever echo is still held

  if (hit(FaultKind::NoAnswer, site)) return;
  const int64_t answerAt = options_.pacing ? endNs + int64_t{std::max(0, options_.turnaroundMs)} * kNsPerMs : nowNs;
  dispatch(body, site, answerAt);
}

void Radio::dispatch(const Bytes& body, const FaultSite& site, int64_t answerAtNs) {
  if (body.size() < 3 || body[0] != kRadioAdr || body[1] != kProgramAdr) return;
  const Bytes data(body.begin() + 3, body.end());
  switch (body[2]) {
    case kIdentify:
      onIdentify(data, site, answerAtNs);
      break;
    case kCloneRead:
      onCloneRead(data, site, answerAtNs);
      break;
    case kAdjust:
      onE8(data, site, answerAtNs);
      break;
    default:
      break;  // clone write and anything else: this radio stays silent
  }
}

bool Radio::identityMatches(const Bytes& data) const {
  Bytes id;
  appendWord(id, options_.model);
  appendWord(id, options_.subName);
  return data.size() >= id.size() && std::equal(id.begin(), id.end(), data.begin());
}

// --------------------------------------------------------------- commands

void Radio::onIdentify(const Bytes& data, const FaultSite& site, int64_t atNs) {
  if (data.size() < 2 || data[0] != (options_.model >> 8) || data[1] != (options_.model & 0xFF)) {
    return;  // asked for another model: not us
  }
  const uint16_t model = hit(FaultKind::WrongModel, site) ? options_.model + 1 : options_.model;
  const uint16_t sub = hit(FaultKind::WrongSubName, site) ? options_.subName + 1 : options_.subName;
  Bytes payload{kIdentity};
  appendWord(payload, model);
  appendWord(payload, sub);
  sendFrame(payload, atNs, site);
}

Radio::Bytes Radio::cloneBlock(int adr) const {
  // Built by push_back after a reserve: g++ 12 misreads an insert into a
  // brace-initialised vector as an out-of-bounds copy.
  Bytes block;
  block.reserve(3 + kCloneBlockSize + 1);
  block.push_back(static_cast<uint8_t>(adr >> 8));
  block.push_back(static_cast<uint8_t>(adr));
  block.push_back(static_cast<uint8_t>(kCloneBlockSize));
  block.insert(block.end(), memory_.begin() + adr, memory_.begin() + adr + kCloneBlockSize);
  int sum = 0;
  for (uint8_t b : block) sum += b;
  block.push_back(static_cast<uint8_t>(-sum));
  return block;
}

void Radio::onCloneRead(const Bytes& data, const FaultSite& site, int64_t atNs) {
  if (!identityMatches(data)) return;
  constexpr int kFrames = kMemorySize / kCloneBlockSize;
  const Fault* stall = hit(FaultKind::StallAfterCloneFrames, site);
  const int frames = stall ? std::clamp(stall->count, 0, kFrames) : kFrames;

  int64_t t = atNs;
  for (int k = 0; k < frames; ++k) {
    const FaultSite at{site.frame, -1, k, false};
    Bytes block = cloneBlock(k * kCloneBlockSize);
    if (hit(FaultKind::BadChecksum, at)) ++block.back();
    Bytes payload{kCloneData};
    for (uint8_t b : block) appendAsciiHex(payload, b);
    t = sendFrame(payload, t, at);
  }
  if (stall) return;  // the radio hangs mid-read: no end frame

  const FaultSite at{site.frame, -1, -1, true};
  Bytes payload{kCloneEnd};
  payload.insert(payload.end(), kSignature.begin(), kSignature.end());
  if (hit(FaultKind::BadE5, at)) payload.back() = '!';
  sendFrame(payload, t, at);
}

void Radio::onE8(const Bytes& data, const FaultSite& site, int64_t atNs) {
  // model(2) sub name(2) sub-command value-digit value-digit
  if (data.size() < 7 || !identityMatches(data)) return;
  const uint8_t sub = data[4];
  const auto value = asciiHexByte(data[5], data[6]);
  if (!value) return;  // garbled command: the radio ignores it
  if (applyWrite(sub, *value)) return;

  std::optional<uint8_t> answer =
      sub == kAtisModeSub ? std::optional<uint8_t>(atisRequest(*value, site)) : reading(sub);
  if (!answer) return;

  Bytes payload{kAdjust};
  payload.insert(payload.end(), data.begin(), data.begin() + 4);
  payload.push_back(hit(FaultKind::WrongSubCommand, site) ? static_cast<uint8_t>(sub + 1) : sub);
  if (hit(FaultKind::MalformedValue, site)) {
    payload.push_back('G');
    payload.push_back('Z');
  } else {
    appendAsciiHex(payload, *answer);
  }
  sendFrame(payload, atNs, site);
}

uint8_t Radio::atisRequest(int mode, const FaultSite& site) {
  const bool japanRadio = memory_[mem::kRegion] == mem::kRegionJapan;
  const bool toneMode = mode == 1 || mode == 2 || mode == 4;
  if (mode > 4 || (japanRadio && options_.japanRefusesToneModes && toneMode) ||
      hit(FaultKind::AtisNeverConfirmed, site)) {
    return kAtisRefused;
  }
  atisMode_ = mode;
  return kAtisConfirmed;
}

bool Radio::applyWrite(uint8_t sub, uint8_t value) {
  if (const auto adr = eepromTarget(sub)) {
    memory_[static_cast<size_t>(*adr)] = value;
    return true;
  }
  switch (sub) {
    case 0x00:
      if (const auto g = groupOfDialMode(value)) group_ = *g;
      return true;
    case 0x01:
      channel_ = value;
      return true;
    case 0x02:
      if (value <= 2) rfPower_ = value;
      return true;
    default:
      return false;
  }
}

ChannelFrequencies Radio::selectedChannel() const {
  return channelFrequencies(memory_, static_cast<int>(group_), channel_);
}

// How much of the test signal the channel filter lets through.
double Radio::testSignalShare() const {
  if (!generator_) return 1.0;
  return analog::channelSelectivity(static_cast<double>(generator_->hz - selectedChannel().rxHz));
}

std::optional<uint8_t> Radio::reading(uint8_t sub) const {
  const auto bpf = [this](int stage) {
    return static_cast<int>(static_cast<int8_t>(memory_[mem::kBpfLevels + stage]));
  };
  const uint8_t temps = analog::thermistorCode(options_.temperatureC);
  switch (sub) {
    case 0x80:
      return memory_[mem::kRefTable + analog::temperatureBand(temps)];  // FRQCON
    case 0x81:
      return memory_[mem::kPowerHi + rfPower_];  // POWCON: HI, LO, EL levels in a row
    case 0x82:
    case 0x83:
    case 0x84:
    case 0x85:
      return static_cast<uint8_t>(std::clamp(128 + bpf(sub - 0x82), 0, 255));
    case 0x90:
      return uint8_t{246};  // MKEY: key released, pulled up
    case 0x91:
      return uint8_t{250};  // SW A open
    case 0x92:
      return uint8_t{3};  // SW B closed
    case 0x93:
      return uint8_t{196};  // LVIN: the 3.3 V rail
    case 0x94:
      return temps;
    case 0x95:
      return uint8_t{128};  // SQLV: squelch knob at mid travel
    case 0x96:
      return static_cast<uint8_t>(keyed() && !selectedChannel().txInhibit ? 190 : 0);  // TXDET
    case 0x98:
      if (!generator_) return analog::sdCode({bpf(0), bpf(1), bpf(2), bpf(3)});
      return analog::sdCode({bpf(0), bpf(1), bpf(2), bpf(3)},
                            testSignalShare() * analog::detectorShare(generator_->dBuV));
    case 0x99:  // a signal beside the channel quiets the receiver only as much as it gets through
      return analog::noiseCode(testSignalDbuV() + 20.0 * std::log10(std::max(testSignalShare(), 1e-9)));
    case 0x9A:
      return uint8_t{64};  // BTYPE: lithium-ion pack
    case 0x9B:
      return analog::batteryCode(options_.supplyVolts);
    case 0xA0:
      return memory_[mem::kSqlThon];  // squelch opens here ...
    case 0xA1:
      return memory_[mem::kSqlThcn];  // ... and closes here
    default:
      return std::nullopt;
  }
}

// ---------------------------------------------------------------- sending

int64_t Radio::sendFrame(const Bytes& payload, int64_t earliestNs, const FaultSite& site) {
  int64_t t = earliestNs;
  if (hit(FaultKind::NoiseBetweenFrames, site)) t = sendBytes(noise(), t);
  Bytes frame{kPreamble, kPreamble, kProgramAdr, kRadioAdr};
  frame.insert(frame.end(), payload.begin(), payload.end());
  frame.push_back(kEnd);
  t = sendBytes(frame, t);
  pendingTxLog_.emplace(t, FrameLogEntry{ceilMs(t), FrameLogEntry::Direction::Tx, frame});
  return t;
}

int64_t Radio::sendBytes(const Bytes& bytes, int64_t earliestNs) {
  int64_t due = earliestNs;
  for (uint8_t b : bytes) {
    due = options_.pacing ? radioUart_.nextDueNs(earliestNs) : earliestNs;
    line_.emplace(due, b);
  }
  return due;
}

// Garbage a noisy line might carry between frames: no preamble, but a stray
// end-of-frame byte in the middle.
Radio::Bytes Radio::noise() {
  std::uniform_int_distribution<int> length(2, 6);
  std::uniform_int_distribution<int> value(0x00, 0xFC);
  Bytes bytes;
  const int before = length(rng_);
  const int after = length(rng_);
  for (int i = 0; i < before; ++i) bytes.push_back(static_cast<uint8_t>(value(rng_)));
  bytes.push_back(kEnd);
  for (int i = 0; i < after; ++i) bytes.push_back(static_cast<uint8_t>(value(rng_)));
  return bytes;
}

const Fault* Radio::hit(FaultKind kind, const FaultSite& site) {
  for (auto& armed : faults_) {
    if (armed.spent || armed.fault.kind != kind || !matches(armed.fault.trigger, site)) continue;
    if (armed.fault.once) armed.spent = true;
    return &armed.fault;
  }
  return nullptr;
}

void Radio::log(FrameLogEntry entry) {
  log_.push_back(std::move(entry));
  if (hook_) hook_(log_.back());
}

}  // namespace sim
