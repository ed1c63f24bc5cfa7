#include "base/LocalTime.h"

#include <array>
#include <cstddef>

namespace pw {

namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && IsLeapYear(year)) return 29;
  return kDays[static_cast<std::size_t>(month - 1)];
}

}  // namespace

bool IsRealDate(const LocalTime& t) {
  if (t.year < 0 || t.year > 9999 || t.month < 1 || t.month > 12) return false;
  if (t.day < 1 || t.day > DaysInMonth(t.year, t.month)) return false;
  return t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 && t.second <= 59;
}

std::string ZeroPadded(int value, int width) {
  std::string digits = std::to_string(value);
  if (digits.size() < static_cast<std::size_t>(width))
    digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
  return digits;
}

std::string DateText(const LocalTime& t, char separator) {
  return ZeroPadded(t.year, 4) + separator + ZeroPadded(t.month, 2) + separator + ZeroPadded(t.day, 2);
}

std::string ClockText(const LocalTime& t) {
  return ZeroPadded(t.hour, 2) + ":" + ZeroPadded(t.minute, 2) + ":" + ZeroPadded(t.second, 2);
}

}  // namespace pw
