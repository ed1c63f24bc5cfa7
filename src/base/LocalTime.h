// A calendar date and time of day, as people read it: in the settings file
// and in the service record, and the pieces of text both write it with.
#pragma once

#include <string>

namespace pw {

struct LocalTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;

  friend bool operator==(const LocalTime&, const LocalTime&) = default;
};

// A date and time that exists: years 0 to 9999, the days each month has
// (29 February in leap years), hours 0 to 23, minutes and seconds 0 to 59.
bool IsRealDate(const LocalTime& t);

// The value's decimal digits, with zeros in front up to `width`.
std::string ZeroPadded(int value, int width);
// "2026-12-10" with '-' as separator: year in four digits, month and day in two.
std::string DateText(const LocalTime& t, char separator);
// "14:32:05".
std::string ClockText(const LocalTime& t);

}  // namespace pw
