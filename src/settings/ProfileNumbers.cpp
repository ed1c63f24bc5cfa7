#include "settings/ProfileNumbers.h"

#include "base/TextScan.h"
#include "settings/clsCmcProfileIO.h"

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

namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && IsLeapYear(year)) return 29;
  return kDays[static_cast<std::size_t>(month - 1)];
}

std::string Padded(int value, std::size_t width) {
  std::string digits = std::to_string(value);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

// A field of the date text read digit by digit; a character that is not a
// digit counts as a 0 digit.
int DigitsAt(const std::string& text, std::size_t pos, std::size_t count) {
  int value = 0;
  for (std::size_t i = pos; i < pos + count; ++i) {
    value = value * 10 + (IsDigit(text[i]) ? text[i] - '0' : 0);
  }
  return value;
}

}  // namespace

std::string ProfileDateToText(const ProfileDate& d) {
  return Padded(d.year, 4) + "." + Padded(d.month, 2) + "." + Padded(d.day, 2) + "-" + Padded(d.hour, 2) + ":" +
         Padded(d.minute, 2) + ":" + Padded(d.second, 2);
}

bool IsValidProfileDate(const ProfileDate& d) {
  if (d.year < 0 || d.year > 9999 || d.month < 1 || d.month > 12) return false;
  if (d.day < 1 || d.day > DaysInMonth(d.year, d.month)) return false;
  return d.hour >= 0 && d.hour <= 23 && d.minute >= 0 && d.minute <= 59 && d.second >= 0 && d.second <= 59;
}

bool ProfileDateFromText(const std::string& text, ProfileDate& date) {
  if (text.size() != 19) return false;
  ProfileDate d;
  d.year = DigitsAt(text, 0, 4);
  d.month = DigitsAt(text, 5, 2);
  d.day = DigitsAt(text, 8, 2);
  d.hour = DigitsAt(text, 11, 2);
  d.minute = DigitsAt(text, 14, 2);
  d.second = DigitsAt(text, 17, 2);
  if (!IsValidProfileDate(d)) return false;
  date = d;
  return true;
}

}  // namespace pw
