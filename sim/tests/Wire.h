// Test-side view of the cable: builds the program's frames, runs the radio on
// virtual time and splits what comes back, without using the radio's own code.
#pragma once

#include "sim/Radio.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wire {

using Bytes = std::vector<uint8_t>;

struct Timed {
  int64_t ms;
  uint8_t byte;
};

inline Bytes frameToRadio(const Bytes& payload) {
  Bytes frame;
  frame.reserve(payload.size() + 5);  // (a plain insert trips a false array-bounds warning in g++ 12)
  frame.assign({0xFE, 0xFE, 0xEE, 0xEF});
  frame.insert(frame.end(), payload.begin(), payload.end());
  frame.push_back(0xFD);
  return frame;
}

inline uint8_t digit(int nibble) { return static_cast<uint8_t>("0123456789ABCDEF"[nibble & 0xF]); }

// E8 payload for the standard radio: identity, sub-command, value as two ASCII hex digits.
inline Bytes e8(uint8_t sub, uint8_t value, uint16_t subName = 0x0001) {
  return {0xE8,
          0x23,
          0x20,
          static_cast<uint8_t>(subName >> 8),
          static_cast<uint8_t>(subName),
          sub,
          digit(value >> 4),
          digit(value)};
}

inline const Bytes kIdentify{0xE0, 0x23, 0x20, 0x00, 0x00};
inline const Bytes kCloneRead{0xE2, 0x23, 0x20, 0x00, 0x01};

// Jumps virtual time from one due byte to the next until the radio is quiet.
inline std::vector<Timed> runUntilQuiet(sim::Radio& radio, int64_t limitMs = 120'000) {
  std::vector<Timed> out;
  for (int64_t t = radio.NextDueMs(); t >= 0 && t <= limitMs; t = radio.NextDueMs()) {
    for (uint8_t b : radio.Transmit(t)) out.push_back({t, b});
  }
  return out;
}

inline Bytes bytesOf(const std::vector<Timed>& timed) {
  Bytes out;
  for (const auto& t : timed) out.push_back(t.byte);
  return out;
}

// Frames as the program's receiver cuts them: from a preamble to the next FD,
// preambles stripped, FD dropped: dst src cmd data...
inline std::vector<Bytes> frames(const Bytes& line) {
  std::vector<Bytes> out;
  std::optional<Bytes> current;
  for (uint8_t b : line) {
    if (b == 0xFE) {
      current = Bytes{};
    } else if (b == 0xFD) {
      if (current) out.push_back(*current);
      current.reset();
    } else if (current) {
      current->push_back(b);
    }
  }
  return out;
}

// Frames from the radio (EF EE ...) only.
inline std::vector<Bytes> answers(const Bytes& line) {
  std::vector<Bytes> out;
  for (auto& f : frames(line)) {
    if (f.size() >= 3 && f[0] == 0xEF && f[1] == 0xEE) out.push_back(f);
  }
  return out;
}

inline std::optional<int> hexNibble(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return std::nullopt;
}

// Clone data frame E4 -> block bytes (address hi, lo, count, data..., checksum).
inline std::optional<Bytes> decodeBlock(const Bytes& frame) {
  if (frame.size() < 3 || frame[2] != 0xE4 || (frame.size() - 3) % 2 != 0) return std::nullopt;
  Bytes block;
  for (size_t i = 3; i + 1 < frame.size(); i += 2) {
    const auto hi = hexNibble(frame[i]);
    const auto lo = hexNibble(frame[i + 1]);
    if (!hi || !lo) return std::nullopt;
    block.push_back(static_cast<uint8_t>(*hi * 16 + *lo));
  }
  return block;
}

inline int byteSum(const Bytes& bytes) {
  int sum = 0;
  for (uint8_t b : bytes) sum += b;
  return sum % 256;
}

inline std::string text(const Bytes& bytes, size_t from = 0) {
  return from < bytes.size() ? std::string(bytes.begin() + static_cast<long>(from), bytes.end()) : std::string();
}

}  // namespace wire
