#include "driver/core/log.h"

#include <cstdio>

#include "driver/core/config.h"
#include "driver/core/request.h"
#include "platform/clock.h"
#include "platform/file.h"

namespace kavr {

static bool g_at_line_start = true;

void ResetLogState() { g_at_line_start = true; }

void PrepareLog() {
    Config& cfg = g_config;
    cfg.log_path.clear();
    if (cfg.log_file_path.empty()) return;
    cfg.log_path = cfg.log_file_path + "\\kavri.log";
    platform::File f(cfg.log_path, cfg.log_append ? "a+" : "w");
}

bool WriteLog(int thread_number, int level, std::string_view text) {
    const Config& cfg = g_config;
    if (cfg.log_level == 0 || text.empty() || cfg.log_level > level) return true;
    if (cfg.log_path.empty()) return false;
    platform::File f(cfg.log_path, "a+");
    if (!f.is_open()) return false;
    if (thread_number != 0 && g_at_line_start) {
        platform::LocalTime t = platform::local_time();
        char prefix[96];
        snprintf(prefix, sizeof prefix, "TID=%d, %02d-%02d-%02d %02d:%02d:%02d: ", thread_number,
                 t.year - 1900, t.month, t.day, t.hour, t.minute, t.second);
        f.write(prefix);
    }
    f.write(text);
    if (thread_number != 0) g_at_line_start = text.find('\n') != std::string_view::npos;
    return true;
}

void LogTime(const Request& request) {
    platform::LocalTime t = platform::local_time();
    char buf[32];
    snprintf(buf, sizeof buf, "%02d:%02d:%02d\n", t.hour, t.minute, t.second);
    WriteLog(request.thread_number, 1, buf);
}

}  // namespace kavr
