// The current local date and time, behind one seam so that tests can stand on any day:
// set_clock_override() replaces the clock until it is given an empty function.
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace kvr::sys {

using TimePoint = std::chrono::system_clock::time_point;
using ClockFn = std::function<TimePoint()>;

// A broken-down local date and time.
struct LocalDateTime {
    int year = 1970;
    int month = 1; // 1..12
    int day = 1;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 5; // 1 = Sunday ... 7 = Saturday, whatever the locale calls the first day
};

// The current time: the override when one is set, else the system clock.
TimePoint now();
// Installs a clock for the whole process (tests); an empty function restores the real one.
void set_clock_override(ClockFn clock);

// Local time conversions (the process's time zone).
LocalDateTime to_local(TimePoint t);
TimePoint from_local(const LocalDateTime& local); // weekday ignored

LocalDateTime local_now();
// Day of the week of today, 1 = Sunday ... 7 = Saturday.
int weekday();
// Today's local midnight.
TimePoint today_midnight();

// The locale's date and time separators: the first character of D_FMT / T_FMT that is
// neither a letter, a digit nor part of a % conversion; "/" and ":" when there is none.
std::string date_separator();
std::string time_separator();

} // namespace kvr::sys
