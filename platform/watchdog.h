// A deadline for the work in progress: when it passes before disarm, the
// watchdog calls its handler (from a thread of its own) and ends the
// process at once. A FastCGI worker arms it for each request, so that a
// template that never ends costs one worker, which the web server replaces.
#pragma once

namespace kavr::platform {

class Watchdog {
public:
    explicit Watchdog(void (*on_expiry)());
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    void arm(long ms);  // ms <= 0: no deadline
    void disarm();

private:
    struct State;
    State* s_;
};

}  // namespace kavr::platform
