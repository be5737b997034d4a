#include "template/tag_kavcheck.h"

#include "checker/template_checker.h"
#include "driver/core/log.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "expr/evaluator.h"
#include "expr/lexer.h"
#include "expr/variables.h"
#include "platform/file.h"
#include "template/code_file.h"
#include "template/tag_table.h"

namespace kavr {

namespace {

// Attribute values are expanded into buffers of this size.
constexpr size_t kAttributeSize = 1024;
// Code to check is held in a buffer of this size: a value is cut to 8191
// characters by the evaluator; a code file longer than that is refused.
constexpr size_t kCodeSize = 8192;

ReportFileResolver g_report_resolver = nullptr;

void write_report(void* context, std::string_view text) { static_cast<platform::File*>(context)->write(text); }

// Reads "=" and a value after an attribute name; 0 without the "=".
int read_value(Lexer& lexer, bool code_var, std::string& value) {
    std::string token;
    if (lexer.NextToken(token) == kTokEnd || token != "=") return 0;
    if (code_var)
        lexer.ReadSignedItem(true, value);
    else
        lexer.ReadItem(false, value);
    return 1;
}

struct KavCheckAttributes {
    enum { kNone, kVar, kFile } source = kNone;
    std::string code;  // the CodeVar item or the CodeFile name, as read
    std::string ret_file, ret_var;
    bool has_ret_file = false, has_ret_var = false;
};

int read_attributes(Lexer& lexer, KavCheckAttributes& a) {
    std::string token;
    for (;;) {
        if (lexer.NextToken(token) == kTokEnd) return 0;
        if (token == ">") return 1;
        if (EqualsNoCase(token, "CodeVar")) {
            if (!read_value(lexer, true, a.code)) return 0;
            a.source = KavCheckAttributes::kVar;
        } else if (EqualsNoCase(token, "CodeFile")) {
            if (!read_value(lexer, false, a.code)) return 0;
            a.source = KavCheckAttributes::kFile;
        } else if (EqualsNoCase(token, "RetFile")) {
            if (!read_value(lexer, false, a.ret_file)) return 0;
            a.has_ret_file = true;
        } else if (EqualsNoCase(token, "RetVar")) {
            if (!read_value(lexer, false, a.ret_var)) return 0;
            a.has_ret_var = true;
        }
    }
}

// Opens the report file for this check, replacing an earlier one. Without
// a resolver or when the file cannot be created the check runs without a
// report; a refused name fails the tag (the refusal is already reported).
int open_report(Request& r, std::string name, platform::File& report) {
    if (!ExpandAttribute(kExpandText, name, kAttributeSize, r)) return 0;
    if (!g_report_resolver) {
        WriteLog(r.thread_number, 3, "Error: kavcheck RetFile cannot be written without the file access table\n");
        return 1;
    }
    std::string path;
    if (!g_report_resolver(r, name, path)) return 0;
    if (!report.open(path, "w")) WriteLog(r.thread_number, 3, "Error: kavcheck cannot create RetFile " + path + "\n");
    return 1;
}

int check_code_file(Request& r, std::string name, TemplateChecker& checker, bool& ok) {
    if (!ExpandAttribute(kExpandText, name, kAttributeSize, r)) return 0;
    CodeFileResolver resolve = GetCodeFileResolver();
    if (!resolve) {
        WriteLog(r.thread_number, 3, "Error: kavcheck CodeFile cannot be read without the file access table\n");
        return 0;
    }
    std::string path;
    if (!resolve(r, name, path)) return 0;
    checker.max_text = kCodeSize - 1;
    ok = checker.CheckFile(path);
    if (checker.failure == kCheckTooLong)
        WriteLog(r.thread_number, 3, "Error: kavcheck CodeFile " + path + " is longer than 8191 characters\n");
    return 1;
}

}  // namespace

void SetReportFileResolver(ReportFileResolver resolver) { g_report_resolver = resolver; }

int KavCheck(TagCall& call) {
    Request& r = call.request;
    KavCheckAttributes a;
    if (!read_attributes(call.lexer, a) || a.source == KavCheckAttributes::kNone) return 0;

    platform::File report;
    if (a.has_ret_file && !open_report(r, a.ret_file, report)) return 0;
    TemplateChecker checker;
    checker.report_header_tags = true;
    if (report.is_open()) {
        checker.output.write = write_report;
        checker.output.context = &report;
    }

    bool ok = false;
    if (a.source == KavCheckAttributes::kVar) {
        std::string code;
        if (compute_exp(a.code, code, kCodeSize, r) != 1) return 0;
        ok = checker.CheckText(CollapseHashes(code));
    } else if (!check_code_file(r, a.code, checker, ok)) {
        return 0;
    }
    report.close();

    if (a.has_ret_var && !AssignVariable(r, a.ret_var, ok ? "1" : "0")) return 0;
    return 1;
}

void RegisterKavCheckTag() { RegisterTag("kavcheck", KavCheck); }

}  // namespace kavr
