// Reads the simulated radio's frame log the way a bench technician reads a
// line monitor: which E8 commands the program sent, as hex text, and when.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/Common.h"
#include "sim/Radio.h"

namespace pw::test {

struct SentE8 {
  int64_t ms;        // when the frame's last byte had crossed the line
  std::string text;  // the item's command bytes as hex text: "083346"
  bool operator==(const SentE8&) const = default;
};

// FE FE EE EF E8 <model 2> <sub name 2> <command bytes...> FD
inline constexpr size_t kE8CommandStart = 9;

// Every E8 frame the program sent, from log entry `from` on.
inline std::vector<SentE8> SentE8Frames(const sim::Radio& radio, size_t from = 0) {
  std::vector<SentE8> out;
  const auto& log = radio.frameLog();
  for (size_t i = from; i < log.size(); ++i) {
    const auto& e = log[i];
    if (e.direction != sim::FrameLogEntry::Direction::Rx) continue;
    if (e.bytes.size() <= kE8CommandStart || e.bytes[4] != 0xE8) continue;
    const ByteStr command(e.bytes.begin() + kE8CommandStart, e.bytes.end() - 1);
    out.push_back({e.timeMs, ByteStrToHexStr(command)});
  }
  return out;
}

inline std::vector<std::string> SentE8Texts(const sim::Radio& radio, size_t from = 0) {
  std::vector<std::string> out;
  for (const SentE8& s : SentE8Frames(radio, from)) out.push_back(s.text);
  return out;
}

}  // namespace pw::test
