// kavrun: starts a program on the server, waits for it within the
// timeout, and hands its standard output to a file or a variable. The
// command line is split into program and arguments and the program is
// started directly: no shell ever reads it.
//
// A program of type "win32" (or with no type) runs attached to the request:
// it gets a process group of its own and the request's environment. Any
// other type runs detached: a session of its own, no controlling terminal,
// and only PATH, HOME, LANG and TZ from the environment.
#include <climits>

#include "driver/core/config.h"
#include "driver/core/log.h"
#include "driver/core/report_error.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "expr/evaluator.h"
#include "expr/variables.h"
#include "io/io_tags.h"
#include "io/run_command.h"
#include "template/tag_attributes.h"
#include "platform/file.h"
#include "platform/process.h"
#include "platform/temp_name.h"

namespace kavr {

namespace {

constexpr size_t kAttributeSize = 1024;
// More output than this is treated as memory that cannot be had.
constexpr long kMaxCapturedOutput = 64L * 1024 * 1024;

struct RunAttributes {
    std::string exe, inpara;  // as written, substituted later
    std::string type, outvar, password;
    long timeout_ms = -1;  // without limit
};

int read_attributes(TagCall& call, RunAttributes& a) {
    Request& r = call.request;
    enum { kExe, kType, kInpara, kOutvar, kTimeout, kPassword };
    std::vector<TagAttribute> attrs;
    if (!ReadTagAttributes(call.lexer, {"exe", "type", "inpara", "outvar", "timeout", "password"}, attrs))
        return 0;
    for (TagAttribute& t : attrs) {
        switch (t.which) {
            case kExe: a.exe = t.value; break;
            case kInpara: a.inpara = t.value; break;
            case kOutvar: a.outvar = t.value; break;
            case kTimeout: {
                std::string v;
                if (compute_exp(t.value, v, kValueSize, r) != 1) return 0;
                long seconds = 0;
                ParseLeadingLong(v, seconds);
                if (EqualsNoCase(v, "INFINITE") || seconds < 0)
                    a.timeout_ms = -1;
                else
                    a.timeout_ms = seconds > LONG_MAX / 1000 ? LONG_MAX : seconds * 1000;
                break;
            }
            default:
                if (!ExpandAttribute(kExpandText, t.value, kAttributeSize, r)) return 0;
                (t.which == kType ? a.type : a.password) = t.value;
        }
    }
    return 1;
}

// Moves what the program wrote into the outvar variable; 0 when the
// output is too large to hold.
int capture_output(Request& r, const std::string& temp, const std::string& outvar) {
    platform::File f(temp, "r");
    if (!f.is_open()) {
        WriteLog(r.thread_number, 3, "Error: Temporary file: " + temp + " does not exist\n");
        return 1;
    }
    long length = f.size();
    if (length < 0 || length > kMaxCapturedOutput) {
        f.close();
        WriteLog(r.thread_number, 3, "Error: No enough space to hold the output of executable file's output\n");
        return 0;
    }
    std::string text(static_cast<size_t>(length), '\0');
    text.resize(f.read(text.data(), text.size()));
    SetVariable(r, outvar, text, 0);
    return 1;
}

}  // namespace

int KavRun(TagCall& call) {
    Request& r = call.request;
    if (!g_config.kavrun_enabled || !r.permissions.run_programs) {
        ReportError(r, "10610", r.out);
        WriteLog(r.thread_number, 3, "Error: KavRun is disabled\n");
        return 0;
    }
    RunAttributes a;
    if (!read_attributes(call, a)) return 0;
    if (g_config.kavrun_password && a.password != *g_config.kavrun_password) {
        ReportError(r, "10620", r.out);
        WriteLog(r.thread_number, 3, "Error: You provide the wrong Password to execute kavRun\n");
        return 0;
    }
    RunCommand cmd;
    if (!BuildRunCommand(r, a.exe, a.inpara, cmd)) return 0;

    std::string output_path = cmd.redirected ? cmd.output_file : std::string();
    std::string temp;
    if (!a.outvar.empty()) {
        if (!platform::make_temp_file_in_default_dir("kavr", temp)) return 0;
        output_path = temp;
    }
    platform::OutputFile output;
    if (!output_path.empty() || cmd.redirected) {
        if (!output.create(output_path)) {
            if (!temp.empty()) platform::delete_file(temp);
            return 0;
        }
    }

    bool detached = !a.type.empty() && !EqualsNoCase(a.type, "win32");
    if (LogWanted(1)) WriteLog(r.thread_number, 1, "Begin run: " + cmd.command + "\n");
    platform::Child child;
    int error_number = 0;
    if (!platform::start_process(platform::split_command_line(cmd.command),
                                 output.descriptor() >= 0 ? &output : nullptr,
                                 detached ? platform::ChildKind::kDetached : platform::ChildKind::kAttached,
                                 child, &error_number)) {
        WriteLog(r.thread_number, 3, "Error: CreateProcess: " + std::to_string(error_number) + "\n");
        r.vars.set("EXEFile", cmd.command, 0);
        ReportError(r, "10210", r.out);
    } else {
        output.close();
        if (!platform::wait_process(child, a.timeout_ms))
            WriteLog(r.thread_number, 2, "Warning: Timeout for KavRUN\n");
    }
    output.close();

    if (!temp.empty()) {
        int ok = capture_output(r, temp, a.outvar);
        platform::delete_file(temp);
        if (!ok) return 0;
    }
    WriteLog(r.thread_number, 1, "End run\n");
    return 1;
}

}  // namespace kavr
