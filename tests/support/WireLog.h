// Reads the simulated radio's frame log the way a bench technician reads a
// line monitor: which E8 commands went over the cable, when, and what they
// carried. The log is the radio's own in memory, or the text kqr4t-sim writes
// with --log; both are read here, in one way.
#pragma once

#include <cstdint>
#include <cstdio>
#include <istream>
#include <sstream>
#include <string>
#include <vector>

#include "base/Common.h"
#include "sim/Radio.h"

namespace pw::test {

// FE FE dst src E8 <model 2> <sub name 2> <command bytes...> FD
inline constexpr size_t kE8CommandStart = 9;
inline constexpr uint8_t kE8 = 0xE8;

// The text log, one "RX|TX FE FE ... FD" line per frame, as entries of the
// radio's own log (without their times, which the text does not carry).
// Lines that are no frame (the note of dropped lines) are skipped.
inline std::vector<sim::FrameLogEntry> ReadFrameLog(std::istream& text) {
  std::vector<sim::FrameLogEntry> out;
  for (std::string line; std::getline(text, line);) {
    std::istringstream in(line);
    std::string dir;
    in >> dir;
    if (dir != "RX" && dir != "TX") continue;
    sim::FrameLogEntry e;
    e.direction = dir == "RX" ? sim::FrameLogEntry::Direction::Rx : sim::FrameLogEntry::Direction::Tx;
    for (std::string hex; in >> hex;) e.bytes.push_back(static_cast<uint8_t>(std::stoi(hex, nullptr, 16)));
    out.push_back(std::move(e));
  }
  return out;
}

// One E8 frame on the cable with one sub-command and a value of two ASCII
// hex digits. `toRadio` frames are the program's commands and requests, the
// others the radio's answers.
struct E8Frame {
  int64_t timeMs = 0;
  bool toRadio = true;
  int sub = -1;
  int value = -1;  // the two ASCII hex digits, -1 when they are not hex

  // "> 12 80" for a command or request, "< 98 AC" for an answer.
  std::string Text() const {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%c %02X %02X", toRadio ? '>' : '<', sub & 0xFF, value & 0xFF);
    return buf;
  }
};

// Calls take(entry, command bytes) for every E8 frame in the log from entry
// `from` on.
template <class Take>
void ForEachE8(const std::vector<sim::FrameLogEntry>& log, size_t from, Take take) {
  for (size_t i = from; i < log.size(); ++i) {
    const auto& bytes = log[i].bytes;
    if (bytes.size() <= kE8CommandStart || bytes[4] != kE8) continue;
    take(log[i], ByteStr(bytes.begin() + kE8CommandStart, bytes.end() - 1));
  }
}

// Every E8 frame with one sub-command and a two-digit value, from entry
// `from` on.
inline std::vector<E8Frame> E8Frames(const std::vector<sim::FrameLogEntry>& log, size_t from = 0) {
  std::vector<E8Frame> out;
  ForEachE8(log, from, [&](const sim::FrameLogEntry& e, const ByteStr& command) {
    if (command.size() != 3) return;
    const int hi = HexDigitValue(static_cast<char>(command[1]));
    const int lo = HexDigitValue(static_cast<char>(command[2]));
    out.push_back(
        {e.timeMs, e.direction == sim::FrameLogEntry::Direction::Rx, command[0], hi < 0 || lo < 0 ? -1 : hi * 16 + lo});
  });
  return out;
}

inline std::vector<E8Frame> E8Frames(const sim::Radio& radio, size_t from = 0) {
  return E8Frames(radio.frameLog(), from);
}

struct SentE8 {
  int64_t ms;        // when the frame's last byte had crossed the line
  std::string text;  // the item's command bytes as hex text: "083346"
  bool operator==(const SentE8&) const = default;
};

// Every E8 frame the program sent, whatever its length, from log entry
// `from` on.
inline std::vector<SentE8> SentE8Frames(const sim::Radio& radio, size_t from = 0) {
  std::vector<SentE8> out;
  ForEachE8(radio.frameLog(), from, [&](const sim::FrameLogEntry& e, const ByteStr& command) {
    if (e.direction == sim::FrameLogEntry::Direction::Rx) out.push_back({e.timeMs, ByteStrToHexStr(command)});
  });
  return out;
}

inline std::vector<std::string> SentE8Texts(const sim::Radio& radio, size_t from = 0) {
  std::vector<std::string> out;
  for (const SentE8& s : SentE8Frames(radio, from)) out.push_back(s.text);
  return out;
}

}  // namespace pw::test
