#include "platform/clock.h"

#include <time.h>
#include <unistd.h>

namespace kavr::platform {

long clock_ms() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long>(ts.tv_sec) * 1000L + ts.tv_nsec / 1000000L;
}

LocalTime local_time() {
    time_t now = time(nullptr);
    struct tm tmv;
    localtime_r(&now, &tmv);
    return LocalTime{tmv.tm_year + 1900, tmv.tm_mon + 1, tmv.tm_mday, tmv.tm_hour,
                     tmv.tm_min,         tmv.tm_sec,     tmv.tm_wday, tmv.tm_yday};
}

bool seconds_from_local(const LocalTime& t, long long& seconds) {
    // Fields far out of range would overflow the library's arithmetic.
    const int fields[] = {t.year, t.month, t.day, t.hour, t.minute, t.second};
    for (int f : fields)
        if (f < -100000000 || f > 100000000) return false;
    struct tm tmv = {};
    tmv.tm_year = t.year - 1900;
    tmv.tm_mon = t.month - 1;
    tmv.tm_mday = t.day;
    tmv.tm_hour = t.hour;
    tmv.tm_min = t.minute;
    tmv.tm_sec = t.second;
    tmv.tm_isdst = -1;
    time_t v = mktime(&tmv);
    if (v == static_cast<time_t>(-1)) return false;
    seconds = static_cast<long long>(v);
    return true;
}

bool local_from_seconds(long long seconds, LocalTime& out) {
    time_t v = static_cast<time_t>(seconds);
    struct tm tmv;
    if (!localtime_r(&v, &tmv)) return false;
    out = LocalTime{tmv.tm_year + 1900, tmv.tm_mon + 1, tmv.tm_mday, tmv.tm_hour,
                    tmv.tm_min,         tmv.tm_sec,     tmv.tm_wday, tmv.tm_yday};
    return true;
}

void sleep_ms(long ms) {
    if (ms <= 0) return;
    struct timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

int process_id() { return static_cast<int>(getpid()); }

}  // namespace kavr::platform
