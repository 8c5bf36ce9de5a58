#pragma once

#include <cstdint>

namespace platform {

// Broken-down local time as the program shows and names things by it.
struct LocalTime {
    int year = 1970;
    int month = 1;    // 1..12
    int day = 1;      // 1..31
    int weekday = 4;  // 0 = Sunday
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// Source of the current time. The system clock follows the process's time zone (TZ);
// tests substitute a clock they can set and move across midnight.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual LocalTime Now() const = 0;
    // Seconds since 1970-01-01 00:00:00 UTC.
    virtual std::int64_t UnixSeconds() const = 0;
};

class SystemClock final : public Clock {
  public:
    LocalTime Now() const override;
    std::int64_t UnixSeconds() const override;
};

// The process-wide system clock.
const Clock& DefaultClock();

}  // namespace platform
