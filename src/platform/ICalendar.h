// The wall-clock date and time, for what is written down for people (the
// service record). Everything that waits uses the millisecond clock instead.
#pragma once

#include <ctime>

#include "base/LocalTime.h"

namespace pw {

class ICalendar {
 public:
  virtual ~ICalendar() = default;
  virtual LocalTime Now() = 0;
};

// The machine's local time.
class SystemCalendar : public ICalendar {
 public:
  LocalTime Now() override {
    const std::time_t t = std::time(nullptr);
    // The program has one thread: the shared buffer of localtime is safe here.
    const std::tm* tm = std::localtime(&t);
    if (!tm) return {};
    return {tm->tm_year + 1900, tm->tm_mon + 1, tm->tm_mday, tm->tm_hour, tm->tm_min, tm->tm_sec};
  }
};

}  // namespace pw
