#include "driver/request_driver.h"

#include "cgi/decode.h"
#include "cgi/validate.h"
#include "driver/core/config.h"
#include "driver/core/hooks.h"
#include "driver/core/log.h"
#include "driver/core/report_error.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "driver/echo_blocks.h"
#include "driver/form_controls.h"
#include "driver/pass_through.h"
#include "driver/special_requests.h"
#include "platform/clock.h"
#include "template/template_path.h"

namespace kavr {

namespace {

void trace(const Request& r, const char* text) { WriteLog(r.thread_number, 1, text); }

void finish(Request& r) {
    if (g_hooks.release_io) g_hooks.release_io(r);
    if (g_hooks.release_queries) g_hooks.release_queries(r);
    r.sql_texts.clear();
    trace(r, "---End All---\n");
}

// A file that is not a template is copied as it is. False when it could not
// be opened (the error page is then written and the echo skipped).
bool pass_through(Request& r) {
    r.out.set_buffered(false);
    const std::string& path = *r.template_path;
    bool ok = false;
    if (r.template_refused) {
        ResolvedTemplate t{path, true, r.template_refusal};
        LogTemplateRefusal(r, t);
    } else {
        ok = PassThroughFile(r, path);
    }
    if (!ok) {
        r.out.status = kStatusNotFound;
        r.out.write_header(true);
        ReportError(r, "10220", r.out);
        r.out.write_page_end();
    }
    return ok;
}

// Form validation runs with the response buffered, so that its error page
// can follow the header.
bool validate(Request& r) {
    r.out.set_buffered(true);
    int ok = ValidateForm(r);
    r.out.set_buffered(false);
    if (ok) return true;
    r.out.write_header(true);
    r.out.flush_blocks();
    r.out.write_page_end();
    WriteLog(r.thread_number, 3, "Error: Form variable's Semantic Checking Failed\n");
    return false;
}

void run_action(Request& r) {
    if (r.action == kActionInsert || r.action == kActionUpdate) {
        r.out.write_header(true);
        if (g_hooks.form_insert_update && g_hooks.form_insert_update(r, r.action))
            ShowNextPage(r);
        return;
    }
    if (g_hooks.run_template) g_hooks.run_template(r);
}

}  // namespace

int RunRequest(Request& r) {
    r.thread_number = platform::process_id();
    long start = platform::clock_ms();
    if (g_config.log_level != 0) {
        trace(r, "CGI starting time=");
        LogTime(r);
    }
    if (!DecodeRequest(r)) {
        if (r.input.body_too_large) r.out.status = kStatusTooLarge;
        r.out.write_header(true);
        r.out.write(r.input.body_too_large ? "Request body too large<BR>" : "CGI Initialization fail<BR>");
        WriteLog(r.thread_number, 3, "Error:CGI Initialization fail\n");
        r.out.write_page_end();
        finish(r);
        return 1;
    }
    trace(r, "CGI Initialization Finished\n");
    ApplyFormControls(r);
    trace(r, "Form variable's Instantiation Finished\n");

    if (!HandleSpecialRequest(r)) {
        if (FindNoCase(*r.template_path, ".kvl") == std::string::npos) {
            if (pass_through(r)) WriteEchoBlocks(r, start);
            finish(r);
            return 1;
        }
        if (validate(r)) {
            trace(r, "Form variable's Semantic Checking Finished\n");
            run_action(r);
            trace(r, "CGI ending time=");
            LogTime(r);
        }
    }
    WriteEchoBlocks(r, start);
    finish(r);
    return 1;
}

}  // namespace kavr
