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

void sleep_ms(long ms) {
    if (ms <= 0) return;
    struct timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

int process_id() { return static_cast<int>(getpid()); }

}  // namespace kavr::platform
