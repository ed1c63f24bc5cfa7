// The numbers and dates of the settings file as text: integers rounded
// half to even from their digits, floating-point values in the C locale, and
// the date form "yyyy.mm.dd-hh:mm:ss".
#pragma once

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <system_error>

#include "base/TextScan.h"

namespace pw::profile {

// Parses "[sign] digits [. digits]" and rounds halves to even. The rounding
// works on the digits themselves so that large values never pass through a
// floating-point type.
bool ParseRoundedInteger(const std::string& text, int64_t minValue, int64_t maxValue, int64_t& out);

// The value of text in the C locale; false for anything but a finite number.
template <typename T>
bool ParseFloating(const std::string& text, T& out) {
  if (!IsDecimalNumber(text, "eE")) return false;
  // The conversion of <charconv> ignores the locale (a user's decimal comma
  // must not change what the file means) but takes no leading '+'.
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (*first == '+') ++first;
  T value{};
  const auto result = std::from_chars(first, last, value);
  if (result.ec != std::errc() || result.ptr != last || !std::isfinite(value)) return false;
  out = value;
  return true;
}

// The shortest text that reads back as the same value.
template <typename T>
std::string FloatingToText(T value) {
  std::array<char, 64> buf{};
  const auto result = std::to_chars(buf.data(), buf.data() + buf.size(), value);
  if (result.ec != std::errc()) return std::string();
  return std::string(buf.data(), result.ptr);
}

// An integer of type T, or false when the text is none or out of T's range.
template <typename T>
bool LoadInteger(const std::string& text, T& variable) {
  int64_t value = 0;
  if (!ParseRoundedInteger(text, std::numeric_limits<T>::min(), std::numeric_limits<T>::max(), value)) {
    return false;
  }
  variable = static_cast<T>(value);
  return true;
}

}  // namespace pw::profile
