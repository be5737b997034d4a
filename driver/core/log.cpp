#include "driver/core/log.h"

#include <cstdio>

#include "driver/core/config.h"
#include "driver/core/request.h"
#include "platform/append_file.h"
#include "platform/clock.h"

namespace kavr {

namespace {

struct LogState {
    platform::AppendFile file;
    std::string line;  // begun, not yet ended: written whole once it ends
    bool at_line_start = true;
    // A request ended: the next line belongs to a new one, whose log starts
    // afresh unless LogAppend is set.
    bool request_ended = false;
};

LogState& log_state() {
    static LogState s;
    return s;
}

bool is_control(unsigned char c) { return c < 0x20 || c == 0x7F; }

void append_escaped(std::string& out, std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    size_t keep_end = !text.empty() && text.back() == '\n' ? text.size() - 1 : text.size();
    size_t from = 0;
    for (size_t i = 0; i < keep_end; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (!is_control(c)) continue;
        out.append(text.data() + from, i - from);
        from = i + 1;
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    out.append(text.data() + from, text.size() - from);
}

}  // namespace

std::string EscapeLogText(std::string_view text) {
    std::string out;
    append_escaped(out, text);
    return out;
}

bool LogWanted(int level) { return g_config.log_level != 0 && g_config.log_level <= level; }

void ResetLogState() {
    log_state().line.clear();
    log_state().at_line_start = true;
}

void StartRequestLog() {
    const Config& cfg = g_config;
    LogState& s = log_state();
    EndRequestLog();
    s.request_ended = false;
    if (cfg.log_path.empty()) return;
    s.file.open(cfg.log_path, !cfg.log_append);
    if (cfg.log_level == 0) s.file.close();  // nothing will be written
}

void EndRequestLog() {
    LogState& s = log_state();
    if (!s.line.empty()) s.file.write(s.line);
    s.file.close();
    ResetLogState();
    s.request_ended = true;
}

void PrepareLog() {
    Config& cfg = g_config;
    cfg.log_path.clear();
    if (!cfg.log_file_path.empty()) cfg.log_path = cfg.log_file_path + "\\kavri.log";
    StartRequestLog();
}

bool WriteLog(int thread_number, int level, std::string_view text) {
    if (!LogWanted(level) || text.empty()) return true;
    const Config& cfg = g_config;
    LogState& s = log_state();
    if (cfg.log_path.empty()) return false;
    if (!s.file.is_open()) {
        if (!s.file.open(cfg.log_path, s.request_ended && !cfg.log_append)) return false;
        s.request_ended = false;
    }
    if (thread_number != 0 && s.at_line_start) {
        platform::LocalTime t = platform::local_time();
        char prefix[96];
        snprintf(prefix, sizeof prefix, "TID=%d, %02d-%02d-%02d %02d:%02d:%02d: ", thread_number,
                 t.year - 1900, t.month, t.day, t.hour, t.minute, t.second);
        s.line += prefix;
    }
    append_escaped(s.line, text);
    if (thread_number != 0) s.at_line_start = text.back() == '\n';
    if (s.line.back() != '\n') return true;
    bool ok = s.file.write(s.line);
    s.line.clear();
    return ok;
}

void LogTime(const Request& request) {
    if (!LogWanted(1)) return;
    platform::LocalTime t = platform::local_time();
    char buf[32];
    snprintf(buf, sizeof buf, "%02d:%02d:%02d\n", t.hour, t.minute, t.second);
    WriteLog(request.thread_number, 1, buf);
}

}  // namespace kavr
