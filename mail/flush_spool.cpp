#include "mail/flush_spool.h"

#include "driver/core/config.h"
#include "driver/core/log.h"
#include "mail/smtp_delivery.h"
#include "platform/clock.h"
#include "platform/dir_search.h"
#include "platform/file.h"
#include "platform/file_lock.h"

namespace kavr {

namespace {

// Replies that say the server is busy for now: worth another attempt.
bool is_transient(int code) { return code == 450 || code == 452 || code == 552; }

bool configured(const std::optional<std::string>& dir) { return dir && !dir->empty(); }

// Names tried in a log or error directory before a file is given up.
constexpr int kMaxNameVariants = 1000;

// Attempts one file up to the configured number of times (at least once:
// a file is never filed as delivered without being sent).
int deliver_with_retries(SmtpSession& s, const std::string& name, const SmtpTimings& t) {
    int attempts = g_config.nbr_retrial > 1 ? g_config.nbr_retrial : 1;
    int result = 0;
    for (int i = 0; i < attempts; ++i) {
        if (i > 0) platform::sleep_ms(t.retry_pause_ms);
        result = DeliverSpoolFile(s, name);
        if (result <= 0 && !s.broken() && s.send_text("RSET\r\n")) s.read_reply("250");
        if (result != 0 || s.broken() || !is_transient(s.last_reply_code())) break;
    }
    return result;
}

// Another name for the same message when the directory already holds one
// of that name: "mail000007.txt" becomes "mail000007-1.txt", then "-2"...
std::string variant(const std::string& name, int k) {
    if (k == 0) return name;
    size_t dot = name.rfind('.');
    if (dot == std::string::npos) dot = name.size();
    return name.substr(0, dot) + "-" + std::to_string(k) + name.substr(dot);
}

// Moves the file into dir without ever replacing a file there.
bool move_into(const std::string& source, const std::string& dir, const std::string& name) {
    for (int k = 0; k < kMaxNameVariants; ++k) {
        platform::NewName claim = platform::move_to_new_name(source, dir + "\\" + variant(name, k));
        if (claim != platform::NewName::kTaken) return claim == platform::NewName::kClaimed;
    }
    return false;
}

}  // namespace

void MoveSpoolFile(const std::string& name, bool delivered) {
    std::string source = *g_config.mail_spool_path + "\\" + name;
    const std::optional<std::string>& dir =
        delivered ? g_config.mail_log_path : g_config.mail_error_path;
    if (configured(dir) && move_into(source, *dir, name)) return;
    if (delivered) {
        platform::delete_file(source);
        WriteLog(0, 3, "Error: Can't move delivered mail " + name + " to the mail log, removed\n");
    } else {
        WriteLog(0, 3, "Error: Can't move undeliverable mail " + name + " to the mail error path\n");
    }
}

// Each file is claimed before it is sent and stays claimed until it has
// been filed, so that of several requests flushing the same spool exactly
// one sends it. A claim dies with its process: a file whose sender died is
// taken by the next flush. The session is opened for the first file this
// flush claims, so a flush that finds every file claimed connects to nobody.
void FlushSpoolWith(const SmtpTimings& t) {
    if (!configured(g_config.mail_spool_path)) return;
    std::vector<std::string> files = platform::find_files(*g_config.mail_spool_path, "mail*.txt");
    if (files.empty()) return;

    SmtpSession s;
    bool connected = false;
    for (const std::string& name : files) {
        platform::FileLock claim;
        if (!claim.try_lock(*g_config.mail_spool_path + "\\" + name)) continue;
        if (!connected) {
            if (SmtpConnect(s, t) <= 0) {
                WriteLog(0, 3, "Error: TCP/IP initialization fail when trying to connect to SMTP server\n");
                return;
            }
            connected = true;
        }
        MoveSpoolFile(name, deliver_with_retries(s, name, t) > 0);
        // A connection that failed mid-dialogue cannot carry more mail;
        // the remaining files wait in the spool for the next request.
        if (s.broken()) return;
    }
    if (connected && s.send_text("QUIT\r\n")) s.read_reply("221");
}

void FlushSpool() { FlushSpoolWith(SmtpTimings()); }

}  // namespace kavr
