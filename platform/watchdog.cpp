#include "platform/watchdog.h"

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace kavr::platform {

struct Watchdog::State {
    void (*on_expiry)();
    std::mutex m;
    std::condition_variable cv;
    bool armed = false, quit = false;
    std::chrono::steady_clock::time_point deadline;
    std::thread thread;

    void run() {
        std::unique_lock<std::mutex> lock(m);
        for (;;) {
            if (quit) return;
            if (!armed) {
                cv.wait(lock);
                continue;
            }
            if (cv.wait_until(lock, deadline) == std::cv_status::timeout && armed && !quit &&
                std::chrono::steady_clock::now() >= deadline) {
                if (on_expiry) on_expiry();
                _exit(1);
            }
        }
    }
};

Watchdog::Watchdog(void (*on_expiry)()) : s_(new State) { s_->on_expiry = on_expiry; }

Watchdog::~Watchdog() {
    if (s_->thread.joinable()) {
        {
            std::lock_guard<std::mutex> lock(s_->m);
            s_->quit = true;
        }
        s_->cv.notify_all();
        s_->thread.join();
    }
    delete s_;
}

void Watchdog::arm(long ms) {
    if (ms <= 0) return disarm();
    {
        std::lock_guard<std::mutex> lock(s_->m);
        s_->armed = true;
        s_->deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        // The thread starts with the first deadline: a worker without a
        // time limit stays a single thread.
        if (!s_->thread.joinable()) s_->thread = std::thread([this] { s_->run(); });
    }
    s_->cv.notify_all();
}

void Watchdog::disarm() {
    {
        std::lock_guard<std::mutex> lock(s_->m);
        if (!s_->armed) return;
        s_->armed = false;
    }
    s_->cv.notify_all();
}

}  // namespace kavr::platform
