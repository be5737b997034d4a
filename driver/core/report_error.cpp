#include "driver/core/report_error.h"

#include "driver/core/charset.h"
#include "driver/core/config.h"
#include "driver/core/hooks.h"
#include "driver/core/log.h"
#include "driver/core/program_dir.h"
#include "driver/core/request.h"
#include "platform/profile.h"

namespace kavr {

namespace {

constexpr size_t kMessageSize = 512;
constexpr size_t kTextSize = 2048;

const char* const kDefaultHeader =
    "<HR><H2> Kavri&#153 Encountered Error(s) While Processing Request </H2><TABLE BORDER><TR><TD>\n";
const char* const kDefaultMessageHeading = "<h3>Error Message:</h3><p>\n";
const char* const kDefaultExplanationHeading = "<h3>Explanation:</h3><p>\n";
const char* const kDefaultTroubleHeading = "<h3>Troubleshooting Information:</h3><p>\n";
const char* const kDefaultFooterEnd =
    "that this error has occurred (be sure to include the contents of this page in your message "
    "to the administrator). <HR>\n";

int substitute(Request& r, std::string& text, size_t capacity) {
    CutToSize(text, capacity);
    if (!g_hooks.substitute) return 1;
    return g_hooks.substitute(r, text, capacity);
}

// Restores the existence check on every way out.
struct ExistCheckOff {
    explicit ExistCheckOff(Request& r) : r_(r), saved_(r.var_exist_check) { r.var_exist_check = false; }
    ~ExistCheckOff() { r_.var_exist_check = saved_; }
    Request& r_;
    bool saved_;
};

// A frame text (header, headings, footer): the catalog's, substituted and
// collapsed, or the default when the key is absent.
bool write_frame(Request& r, const platform::ProfileFile& cat, const char* key,
                 const std::string& def, ResponseStream& out) {
    std::string text = cat.get("ErrorMsg", key, "", kTextSize);
    if (text.empty()) {
        out.write(def);
        return true;
    }
    if (!substitute(r, text, kTextSize)) return false;
    out.write(CollapseDoubled(text));
    return true;
}

std::string default_footer() {
    std::string admin = g_config.admin_email ? *g_config.admin_email : std::string();
    return std::string("\n</TD></TR></TABLE> Please inform the <a href=\"mailto:") + admin +
           "\">site administrator</a> <BR>" + kDefaultFooterEnd;
}

}  // namespace

std::string CollapseDoubled(const std::string& text) {
    std::string s = text;
    for (size_t at = 0; (at = s.find("##", at)) != std::string::npos; ++at) s.erase(at, 1);
    for (size_t at = 0; (at = s.find("\"\"", at)) != std::string::npos; ++at) s.erase(at, 1);
    return s;
}

bool ReportError(Request& r, const std::string& code, ResponseStream& out) {
    if (g_hooks.failure_context) g_hooks.failure_context(r);
    platform::ProfileFile cat;
    cat.load(ProgramDirectory() + "\\kavr_msg.ini");
    std::string message = cat.get("ErrorMsg", code + "c", "", kMessageSize);
    if (message.empty()) return false;
    {
        ExistCheckOff guard(r);
        if (!substitute(r, message, kMessageSize)) return false;
        message = CollapseDoubled(message);

        if (!write_frame(r, cat, "00000header", kDefaultHeader, out)) return false;
        if (!write_frame(r, cat, "00000c", kDefaultMessageHeading, out)) return false;
        out.write("Error Code = ");
        out.write(code);
        out.write(": ");
        out.write(message);
        std::string explanation = cat.get("ErrorMsg", code + "e", "", kTextSize);
        std::string trouble = cat.get("ErrorMsg", code + "t", "", kTextSize);
        if (g_config.error_detail) {
            if (!write_frame(r, cat, "00000e", kDefaultExplanationHeading, out)) return false;
            if (!substitute(r, explanation, kTextSize)) return false;
            if (!substitute(r, trouble, kTextSize)) return false;
            out.write(CollapseDoubled(explanation));
            if (!write_frame(r, cat, "00000t", kDefaultTroubleHeading, out)) return false;
            out.write(CollapseDoubled(trouble));
        } else {
            // A production site tells the visitor only what went wrong; how
            // the site is built is for the administrator's log.
            if (!substitute(r, explanation, kTextSize)) return false;
            if (!substitute(r, trouble, kTextSize)) return false;
            WriteLog(r.thread_number, 3,
                     "Error " + code + " explanation: " + CollapseDoubled(explanation) + "\n");
            WriteLog(r.thread_number, 3,
                     "Error " + code + " troubleshooting: " + CollapseDoubled(trouble) + "\n");
        }
        if (!write_frame(r, cat, "00000footer", default_footer(), out)) return false;
    }
    if (g_config.log_send_email && g_config.admin_email && !g_config.admin_email->empty() &&
        g_hooks.queue_error_mail)
        g_hooks.queue_error_mail(r, *g_config.admin_email, code);
    return true;
}

void ReportFormError(Request& r, bool first) {
    if (!first) return;
    ResponseStream& out = r.out;
    out.write("<hr>\n<h3>Kavri&#153 Error Occurred While Processing Request</h3>\n");
    out.write("<table BORDER>\n<tr>\n<td>\n");
    out.write("<h4>Error Message:</h4>");
    out.write("<p>Error Code = ");
    out.write("10010");
    out.write(": ");
    out.write("Form Entries Incomplete or Invalid");
    out.write("<p><b>Explanation:</b></p>\n");
    out.write("<P>");
    out.write(" One or more problems exist with the data you have entered: ");
}

}  // namespace kavr
