#include "platform/Clock.h"

#include <sys/time.h>

#include <ctime>

namespace platform {

LocalTime SystemClock::Now() const {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    tm parts{};
    time_t seconds = tv.tv_sec;
    localtime_r(&seconds, &parts);
    LocalTime t;
    t.year = parts.tm_year + 1900;
    t.month = parts.tm_mon + 1;
    t.day = parts.tm_mday;
    t.weekday = parts.tm_wday;
    t.hour = parts.tm_hour;
    t.minute = parts.tm_min;
    t.second = parts.tm_sec;
    t.millisecond = static_cast<int>(tv.tv_usec / 1000);
    return t;
}

std::int64_t SystemClock::UnixSeconds() const {
    return static_cast<std::int64_t>(time(nullptr));
}

const Clock& DefaultClock() {
    static const SystemClock clock;
    return clock;
}

}  // namespace platform
