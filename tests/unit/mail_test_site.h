// A test site with spool, log and error directories for the mail tests.
#pragma once
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mail/spool.h"
#include "platform/dir_search.h"
#include "tests/unit/test_site.h"

namespace kavr::test {

struct MailSite {
    TestSite site;

    MailSite() {
        for (const char* d : {"spool", "log", "err"}) mkdir(site.path(d).c_str(), 0755);
        g_spool_counters = SpoolCounters();
    }
    ~MailSite() { g_spool_counters = SpoolCounters(); }

    // Writes kavri.ini with the three directories and logging at level 1
    // into the site; smtp_keys and log_keys are further lines of the
    // "SMTP" and "Log" sections, sections further whole sections.
    void configure(const std::string& smtp_keys = "", const std::string& log_keys = "",
                   const std::string& sections = "") {
        site.load_config("[SMTP]\nMailSpoolPath=" + site.path("spool") +
                         "\nMailLogPath=" + site.path("log") + "\nMailErrorPath=" +
                         site.path("err") + "\n" + smtp_keys + "\n[Log]\nLogLevel=1\nLogFilePath=" +
                         site.dir() + "\n" + log_keys + "\n" + sections + "\n");
    }

    std::vector<std::string> files(const std::string& dir) const {
        return platform::find_files(site.path(dir), "*");
    }
    std::string read(const std::string& dir, const std::string& name) const {
        return site.read(dir + "/" + name);
    }
    std::string log() const { return site.read("kavri.log"); }

    // Spools one complete message through the spool operations.
    void spool(const std::string& from, const std::string& to, const std::string& cc,
               const std::string& subject, const std::string& attachment,
               const std::string& mode, const std::string& body) {
        SpoolMessage m;
        ASSERT_EQ(SpoolBegin(m, from, to, cc, subject), 1);
        ASSERT_EQ(SpoolSetAttachment(m, attachment), 1);
        ASSERT_EQ(SpoolSetAttachmentType(m, mode), 1);
        ASSERT_EQ(SpoolAppendBody(m, body), 1);
        ASSERT_EQ(SpoolCommit(m), 1);
    }
};

// A record as it must lie in a spool file: 4 length bytes, low byte first.
inline std::string record(const std::string& v) {
    size_t n = v.size();
    std::string out;
    for (int i = 0; i < 4; ++i) out += static_cast<char>((n >> (8 * i)) & 0xFF);
    return out + v;
}

}  // namespace kavr::test
