#include "platform/sys/Clock.h"

#include <ctime>

namespace kvr::sys {

namespace {

ClockFn& clock_override() {
    static ClockFn clock;
    return clock;
}

} // namespace

TimePoint now() {
    const ClockFn& clock = clock_override();
    return clock ? clock() : std::chrono::system_clock::now();
}

void set_clock_override(ClockFn clock) {
    clock_override() = std::move(clock);
}

LocalDateTime to_local(TimePoint t) {
    std::time_t secs = std::chrono::system_clock::to_time_t(t);
    // to_time_t may round up; the broken-down time must never be ahead of t.
    if (std::chrono::system_clock::from_time_t(secs) > t)
        --secs;
    std::tm tm{};
    localtime_r(&secs, &tm);
    LocalDateTime l;
    l.year = tm.tm_year + 1900;
    l.month = tm.tm_mon + 1;
    l.day = tm.tm_mday;
    l.hour = tm.tm_hour;
    l.minute = tm.tm_min;
    l.second = tm.tm_sec;
    l.weekday = tm.tm_wday + 1;
    return l;
}

TimePoint from_local(const LocalDateTime& local) {
    std::tm tm{};
    tm.tm_year = local.year - 1900;
    tm.tm_mon = local.month - 1;
    tm.tm_mday = local.day;
    tm.tm_hour = local.hour;
    tm.tm_min = local.minute;
    tm.tm_sec = local.second;
    tm.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&tm));
}

LocalDateTime local_now() {
    return to_local(now());
}

int weekday() {
    return local_now().weekday;
}

TimePoint today_midnight() {
    LocalDateTime l = local_now();
    l.hour = l.minute = l.second = 0;
    return from_local(l);
}

} // namespace kvr::sys
