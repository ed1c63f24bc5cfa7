#include "settings/ProfileNumbers.h"

#include "base/TextScan.h"

namespace pw {

namespace profile {

// Parses "[sign] digits [. digits]" and rounds halves to even. The rounding
// works on the digits themselves so that large values never pass through a
// floating-point type.
bool ParseRoundedInteger(const std::string& text, int64_t minValue, int64_t maxValue, int64_t& out) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Beyond this the value is out of range for every type we convert to.
  constexpr uint64_t kCap = uint64_t{1} << 40;
  uint64_t magnitude = 0;
  std::size_t digits = 0;
  while (i < n && IsDigit(text[i])) {
    magnitude = magnitude * 10 + static_cast<uint64_t>(text[i] - '0');
    if (magnitude > kCap) magnitude = kCap + 1;
    ++i;
    ++digits;
  }
  bool roundUp = false;
  if (i < n && text[i] == '.') {
    ++i;
    const std::size_t fracStart = i;
    while (i < n && IsDigit(text[i])) ++i;
    digits += i - fracStart;
    if (i > fracStart) {
      const char first = text[fracStart];
      bool restNonZero = false;
      for (std::size_t k = fracStart + 1; k < i; ++k) restNonZero = restNonZero || text[k] != '0';
      roundUp = first > '5' || (first == '5' && (restNonZero || (magnitude % 2) == 1));
    }
  }
  if (i != n || digits == 0) return false;
  if (roundUp) ++magnitude;
  if (magnitude > kCap) return false;
  const int64_t value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  if (value < minValue || value > maxValue) return false;
  out = value;
  return true;
}

}  // namespace profile

}  // namespace pw
