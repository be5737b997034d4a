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

// Blocks the process for the given number of milliseconds.
void sleep_ms(long ms);

// Identifier of the running process (used to stamp log lines).
int process_id();

}  // namespace kavr::platform
