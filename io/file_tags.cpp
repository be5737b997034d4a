// kavfileopen, kavfilegetline, kavfilegetchar, kavfileputline,
// kavfileputchar and kavfileclose: files opened by logical name and found
// again by the handle given with "as".
#include "driver/core/log.h"
#include "driver/core/report_error.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "expr/evaluator.h"
#include "expr/lexer.h"
#include "expr/variables.h"
#include "io/io_state.h"
#include "io/io_tags.h"
#include "io/resolve_file_path.h"
#include "template/tag_attributes.h"

namespace kavr {

namespace {

constexpr size_t kAttributeSize = 1024;
constexpr size_t kPutValueSize = 8192;
constexpr size_t kMaxLine = 16384;

const char* open_mode(const std::string& mode) {
    if (EqualsNoCase(mode, "write")) return "w";
    if (EqualsNoCase(mode, "append") || EqualsNoCase(mode, "insert")) return "a+";
    return "r";
}

platform::ShareMode share_mode(const std::string& lock) {
    if (EqualsNoCase(lock, "Read")) return platform::ShareMode::kDenyRead;
    if (EqualsNoCase(lock, "Write")) return platform::ShareMode::kDenyWrite;
    if (EqualsNoCase(lock, "Read Write")) return platform::ShareMode::kDenyReadWrite;
    return platform::ShareMode::kShareAll;
}

int expand(Request& r, std::string& value, size_t size = kAttributeSize) {
    return ExpandAttribute(kExpandText, value, size, r);
}

// Reads one line (or one character) in text mode: a line ends at a line
// feed, a carriage return or a carriage return and line feed, none of
// them kept. at_end tells whether reading stopped at the end of the file.
std::string read_text(platform::File& f, size_t limit, bool& at_end) {
    std::string text;
    at_end = false;
    while (text.size() < limit) {
        int c = f.getc();
        if (c < 0) {
            at_end = true;
            break;
        }
        if (c == '\r') {
            int d = f.getc();
            if (d != '\n') f.ungetc(d);
            break;
        }
        if (c == '\n') break;
        text += static_cast<char>(c);
    }
    return text;
}

// Finds the record named by a "file" attribute; null for an unknown one.
OpenFileRecord* handle_record(Request& r, const std::string& raw, bool& failed) {
    std::string handle = raw;
    if (!expand(r, handle)) {
        failed = true;
        return nullptr;
    }
    OpenFileRecord* rec = FindOpenFile(IoStateOf(r), handle);
    if (!rec) failed = true;
    return rec;
}

}  // namespace

int KavFileOpen(TagCall& call) {
    Request& r = call.request;
    IoState& state = IoStateOf(r);
    state.files.push_back(std::make_unique<OpenFileRecord>());
    OpenFileRecord& rec = *state.files.back();

    enum { kName, kMode, kLock, kAs, kRet, kPassword };
    std::vector<TagAttribute> attrs;
    if (!ReadTagAttributes(call.lexer, {"name", "mode", "lock", "as", "ret", "Password"}, attrs))
        return 0;
    bool has_name = false;
    std::string password;
    for (TagAttribute& a : attrs) {
        if (a.which != kRet && !expand(r, a.value)) return 0;
        switch (a.which) {
            case kName: rec.name = a.value; has_name = true; break;
            case kMode: rec.mode = a.value; break;
            case kLock: rec.lock = a.value; break;
            case kAs: rec.handle = a.value; break;
            case kRet: rec.result_var = a.value; break;
            case kPassword: password = a.value; break;
        }
    }
    if (!has_name) return 0;
    const char* mode = open_mode(rec.mode);
    std::string physical;
    if (!ResolveFilePath(r, rec.name, physical, mode, password, r.out)) return 0;

    if (LogWanted(1)) WriteLog(r.thread_number, 1, "File Name=" + physical + "\n");
    auto stream = std::make_unique<platform::File>();
    bool opened = stream->open_shared(physical, mode, share_mode(rec.lock));
    if (opened) rec.stream = std::move(stream);
    if (!rec.result_var.empty()) {
        SetVariable(r, rec.result_var, opened ? "1" : "0", 0);
        if (!opened) WriteLog(r.thread_number, 2, "Warning: File open on " + rec.name + " failed!\n");
    }
    return 1;
}

int KavFileGetLine(TagCall& call) {
    Request& r = call.request;
    const bool one_char = EqualsNoCase(call.name, "kavfilegetchar");
    enum { kFile, kResult };
    std::vector<TagAttribute> attrs;
    if (!ReadTagAttributes(call.lexer, {"file", "result"}, attrs)) return 0;
    OpenFileRecord* rec = nullptr;
    std::string result_var;
    for (TagAttribute& a : attrs) {
        if (a.which == kResult) {
            result_var = a.value;
        } else if (!a.value.empty()) {
            bool failed = false;
            rec = handle_record(r, a.value, failed);
            if (failed) return 0;
        }
    }
    if (!rec || result_var.empty()) {
        ReportError(r, "10260", r.out);
        return 0;
    }
    if (!rec->stream) return 0;
    if (!rec->result_var.empty()) {
        std::string state;
        if (compute_exp(rec->result_var, state, kValueSize, r) != 1) return 0;
        if (EqualsNoCase(state, "False")) {
            WriteLog(r.thread_number, 3, "Error: File can not be read as it is not opened\n");
            return 0;
        }
    }
    bool at_end = false;
    std::string text = read_text(*rec->stream, one_char ? 1 : kMaxLine, at_end);
    SetVariable(r, result_var, text, 0);
    if (!rec->result_var.empty()) SetVariable(r, rec->result_var, at_end ? "EOF" : "NOEOF", 0);
    if (LogWanted(1)) WriteLog(r.thread_number, 1, "File Read Result=" + text + "\n");
    return 1;
}

int KavFilePutLine(TagCall& call) {
    Request& r = call.request;
    const bool whole_line = !EqualsNoCase(call.name, "kavfileputchar");
    enum { kFile, kValue };
    std::vector<TagAttribute> attrs;
    if (!ReadTagAttributes(call.lexer, {"file", "value"}, attrs)) return 0;
    OpenFileRecord* rec = nullptr;
    std::string value;
    for (TagAttribute& a : attrs) {
        if (a.which == kValue) {
            value = a.value;
        } else if (!a.value.empty()) {
            bool failed = false;
            rec = handle_record(r, a.value, failed);
            if (failed) return 0;
        }
    }
    if (!rec || value.empty()) {
        ReportError(r, "10260", r.out);
        return 0;
    }
    if (!expand(r, value, kPutValueSize)) return 0;
    if (!rec->stream) return 0;
    rec->stream->write(value);
    if (whole_line) rec->stream->write("\n");
    if (LogWanted(1)) WriteLog(r.thread_number, 1, "Write to file with: " + value + "\n");
    return 1;
}

int KavFileClose(TagCall& call) {
    Request& r = call.request;
    std::vector<TagAttribute> attrs;
    if (!ReadTagAttributes(call.lexer, {"file"}, attrs)) return 0;
    OpenFileRecord* rec = nullptr;
    bool given = false;
    for (TagAttribute& a : attrs) {
        bool failed = false;
        rec = handle_record(r, a.value, failed);
        if (failed) return 0;
        given = true;
    }
    if (given) CloseOpenFile(IoStateOf(r), rec);
    return 1;
}

}  // namespace kavr
