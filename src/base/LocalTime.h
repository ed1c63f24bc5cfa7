// A calendar date and time of day, as people read it: in the settings file
// and in the service record.
#pragma once

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

}  // namespace pw
