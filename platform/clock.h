// Wall clock and millisecond clock.
#pragma once

namespace kavr::platform {

struct LocalTime {
    int year;    // full year, e.g. 2026
    int month;   // 1..12
    int day;     // 1..31
    int hour, minute, second;
    int weekday;  // 0 = Sunday
    int yearday;  // 0..365
};

// Milliseconds from an arbitrary fixed point; only differences matter.
long clock_ms();

LocalTime local_time();

// Local calendar time to seconds since the epoch (weekday and yearday are
// ignored; out-of-range fields are carried over as the C library does).
// False when the time cannot be represented.
bool seconds_from_local(const LocalTime& t, long long& seconds);
// Seconds since the epoch to local calendar time; false when out of range.
bool local_from_seconds(long long seconds, LocalTime& out);

// Blocks the process for the given number of milliseconds.
void sleep_ms(long ms);

// Identifier of the running process (used to stamp log lines).
int process_id();

}  // namespace kavr::platform
