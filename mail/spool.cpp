#include "mail/spool.h"

#include <cctype>
#include <cstdio>
#include <optional>
#include <unordered_set>

#include "driver/core/config.h"
#include "mail/header_guard.h"
#include "mail/spool_format.h"
#include "platform/dir_search.h"
#include "platform/file.h"

namespace kavr {

SpoolCounters g_spool_counters;

namespace {

bool spool_configured() {
    return g_config.mail_spool_path && !g_config.mail_spool_path->empty();
}

long advance(long n) { return n >= kMaxSpoolNumber || n < 1 ? 1 : n + 1; }

std::string spool_file_name(const char* prefix, long n) {
    char name[32];
    std::snprintf(name, sizeof name, "%s%06ld.txt", prefix, n);
    return *g_config.mail_spool_path + "\\" + name;
}

bool all_digits(const std::string& s, size_t from, size_t to) {
    for (size_t i = from; i < to; ++i)
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    return from < to;
}

// Numbers of the files "*NNNNNN.txt" (any prefix) in a directory, and of
// "*NNNNNN-K.txt", the name a filed message takes beside one of the same
// name; an unset or empty directory holds none. Listed once per search,
// not per number.
void collect_numbers(const std::optional<std::string>& dir, std::unordered_set<long>& taken) {
    if (!dir || dir->empty()) return;
    for (const std::string& name : platform::find_files(*dir, "*.txt")) {
        size_t end = name.size() - 4;
        size_t dash = name.rfind('-', end);
        if (dash != std::string::npos && all_digits(name, dash + 1, end)) end = dash;
        if (end < 6 || !all_digits(name, end - 6, end)) continue;
        taken.insert(std::stol(name.substr(end - 6, 6)));
    }
}

// Next free name for the prefix, advancing its counter. A "mail" name must
// also not reuse a number already delivered or set aside as undeliverable.
int find_free_name(const char* prefix, long& counter, bool skip_delivered, std::string& out) {
    if (!spool_configured()) return 0;
    std::unordered_set<long> taken;
    if (skip_delivered) {
        collect_numbers(g_config.mail_log_path, taken);
        collect_numbers(g_config.mail_error_path, taken);
    }
    long attempts = 0;
    for (;;) {
        if (counter < 1 || counter > kMaxSpoolNumber) counter = 1;
        long n = counter;
        counter = advance(counter);
        if (taken.count(n) || platform::file_exists(spool_file_name(prefix, n))) {
            if (++attempts >= kMaxSpoolNumber) return 0;
            continue;
        }
        out = spool_file_name(prefix, n);
        return 1;
    }
}

void forget(SpoolMessage& m) {
    m.path.clear();
    m.records = 0;
}

// Writes bytes to the end of the open message; on any failure the file is
// deleted and the message forgotten.
int append_bytes(SpoolMessage& m, std::string_view bytes) {
    platform::File f(m.path, "ab");
    bool ok = f.is_open() && f.write(bytes) && f.flush();
    f.close();
    if (!ok) SpoolAbandon(m);
    return ok ? 1 : 0;
}

}  // namespace

void SpoolAbandon(SpoolMessage& m) {
    if (m.open()) platform::delete_file(m.path);
    forget(m);
}

int SpoolBegin(SpoolMessage& m, const std::string& from, const std::string& to,
               const std::string& cc, const std::string& subject) {
    SpoolAbandon(m);
    for (const std::string* v : {&from, &to, &cc, &subject})
        if (v->size() > kMaxSpoolRecord || !IsSingleLineValue(*v)) return 0;
    std::string head = EncodeSpoolRecord(from) + EncodeSpoolRecord(to) + EncodeSpoolRecord(cc) +
                       EncodeSpoolRecord(subject);
    // A name that another process takes between our look and our create
    // is lost to it; every such loss is another message spooled, so a full
    // round of numbers bounds the attempts.
    for (long tries = 0; tries < kMaxSpoolNumber; ++tries) {
        std::string path;
        if (!find_free_name("tmp", g_spool_counters.tmp, false, path)) return 0;
        platform::File f;
        platform::NewName claim = f.create_new(path);
        if (claim == platform::NewName::kTaken) continue;
        if (claim == platform::NewName::kFailed) return 0;
        bool ok = f.write(head) && f.flush();
        f.close();
        if (!ok) {
            platform::delete_file(path);
            return 0;
        }
        m.path = path;
        m.records = 4;
        return 1;
    }
    return 0;
}

int SpoolSetAttachment(SpoolMessage& m, const std::string& path) {
    if (!m.open() || m.records != 4 || path.size() > kMaxSpoolRecord) return 0;
    if (!append_bytes(m, EncodeSpoolRecord(path))) return 0;
    m.records = 5;
    return 1;
}

int SpoolSetAttachmentType(SpoolMessage& m, const std::string& mode) {
    if (!m.open() || m.records != 5 || mode.size() > kMaxSpoolRecord) return 0;
    if (!append_bytes(m, EncodeSpoolRecord(mode))) return 0;
    m.records = 6;
    return 1;
}

int SpoolAppendBody(SpoolMessage& m, std::string_view text) {
    if (!m.open() || m.records != 6) return 0;
    return append_bytes(m, text);
}

int SpoolCommit(SpoolMessage& m) {
    if (!m.open() || m.records != 6 || !spool_configured()) return 0;
    for (long tries = 0; tries < kMaxSpoolNumber; ++tries) {
        std::string target;
        if (!find_free_name("mail", g_spool_counters.mail, true, target)) return 0;
        // The move refuses an existing target, so a name claimed by another
        // process meanwhile is skipped rather than overwritten.
        platform::NewName claim = platform::move_to_new_name(m.path, target);
        if (claim == platform::NewName::kClaimed) {
            forget(m);
            return 1;
        }
        if (claim == platform::NewName::kFailed) break;
    }
    SpoolAbandon(m);
    return 0;
}

}  // namespace kavr
