// Which check each tag gets: one table of names (compared without regard
// to case) and checks. A name with the prefix that is not in the table is
// reported as a wrong tag.
#include <cstddef>

#include "checker/check_scan.h"
#include "checker/tag_checks.h"
#include "driver/core/text_util.h"

namespace kavr {

namespace {

using TagCheck = bool (*)(CheckScan& scan, const std::string& name);

bool check_query(CheckScan& s, const std::string& n) { return CheckKeywordTag(s, kFormQuery, n); }
bool check_print(CheckScan& s, const std::string& n) {
    return CheckKeywordTag(s, kFormPrint, n) && WalkPrintBody(s, n);
}
bool check_print_table(CheckScan& s, const std::string& n) {
    return CheckKeywordTag(s, kFormPrintTable, n) && WalkPrintTableBody(s, n);
}
bool check_form_dml(CheckScan& s, const std::string& n) { return CheckKeywordTag(s, kFormFormDml, n); }
bool check_set(CheckScan& s, const std::string&) { return CheckSetTag(s); }
bool check_run(CheckScan& s, const std::string& n) { return CheckKeywordTag(s, kFormRun, n); }
bool check_file_open(CheckScan& s, const std::string& n) { return CheckKeywordTag(s, kFormFileOpen, n); }
bool check_silent(CheckScan& s, const std::string& n) { return CheckSilentTag(s, n); }
bool check_location(CheckScan& s, const std::string& n) {
    return s.report_header_tags() ? CheckKeywordTag(s, kFormLocation, n) : CheckSilentTag(s, n);
}
bool check_cookie(CheckScan& s, const std::string& n) {
    return s.report_header_tags() ? CheckKeywordTag(s, kFormCookie, n) : CheckSilentTag(s, n);
}
bool check_transaction(CheckScan& s, const std::string& n) {
    return CheckTransactionHeader(s, false) && WalkTransactionBody(s, n);
}
// The rest of the tag is passed over as text; the failure ends an
// enclosing loop or select body, as the tag ends the template at run time.
// Only a text that ends right after the name is reported.
bool check_abort(CheckScan& s, const std::string& n) {
    std::string token;
    if (s.Next(token, kReadText) == kTokEnd)
        SayTagOpenAtEnd(s, n);
    else
        s.Back();
    return false;
}
bool check_while(CheckScan& s, const std::string& n) { return CheckWhileHeader(s) && WalkWhileBody(s, n); }
bool check_for(CheckScan& s, const std::string& n) { return CheckForHeader(s) && WalkForBody(s, n); }
bool check_select(CheckScan& s, const std::string& n) { return CheckSelectHeader(s) && WalkSelectBody(s, n); }
bool check_if(CheckScan& s, const std::string& n) { return CheckIfHeader(s) && WalkIfBody(s, n); }
bool check_tag_end(CheckScan& s, const std::string& n) { return CheckTagEnd(s, n); }
bool check_var_exist(CheckScan& s, const std::string&) { return CheckVarExistCheck(s); }
bool check_socket_open(CheckScan& s, const std::string& n) { return CheckKeywordTag(s, kFormSocketOpen, n); }
bool check_socket_close(CheckScan& s, const std::string& n) { return CheckKeywordTag(s, kFormSocketClose, n); }
bool check_socket_send(CheckScan& s, const std::string& n) { return CheckKeywordTag(s, kFormSocketSend, n); }
bool check_socket_receive(CheckScan& s, const std::string& n) { return CheckKeywordTag(s, kFormSocketReceive, n); }

struct TagRow {
    const char* name;
    TagCheck check;
    bool block;  // has a body, so it counts towards the nesting limit
};

const TagRow kTags[] = {
    {"kavdbquery", check_query, false},
    {"kavprint", check_print, true},
    {"kavmail", check_print, true},
    {"kavprinttable", check_print_table, true},
    {"kavdbinsert", check_form_dml, false},
    {"kavdbupdate", check_form_dml, false},
    {"kavset", check_set, false},
    {"kavrun", check_run, false},
    {"kavfileopen", check_file_open, false},
    {"kavfilegetline", check_silent, false},
    {"kavfilegetchar", check_silent, false},
    {"kavfileputline", check_silent, false},
    {"kavfileputchar", check_silent, false},
    {"kavfileclose", check_silent, false},
    {"kavFileDelete", check_silent, false},
    {"kavFileCopy", check_silent, false},
    {"kavFileRename", check_silent, false},
    {"kavdbquerymore", check_silent, false},
    {"kavinclude", check_silent, false},
    {"kavlocation", check_location, false},
    {"kavcookie", check_cookie, false},
    {"kavgetprofile", check_silent, false},
    {"kavputprofile", check_silent, false},
    {"kavdbtransaction", check_transaction, true},
    {"kavabort", check_abort, false},
    {"kavwhile", check_while, true},
    {"kavfor", check_for, true},
    {"kavselectcase", check_select, true},
    {"kavif", check_if, true},
    {"kavelseif", check_if, true},
    {"kavbeep", check_tag_end, false},
    {"kavdbrollback", check_tag_end, false},
    {"kavexitwhile", check_tag_end, false},
    {"kavexitfor", check_tag_end, false},
    {"kavinirefresh", check_tag_end, false},
    {"kaveval", check_silent, false},
    {"kavcheck", check_silent, false},
    {"kavvarexistcheck", check_var_exist, false},
    {"kavsocketopen", check_socket_open, false},
    {"kavsocketclose", check_socket_close, false},
    {"kavsocketsendtext", check_socket_send, false},
    {"kavsocketrcvtext", check_socket_receive, false},
};

}  // namespace

bool CheckScan::Dispatch(const std::string& name) {
    // A quoted text of an earlier tag is no cause of this one's problems.
    quote_line_ = -1;
    for (const TagRow& row : kTags) {
        if (!EqualsNoCase(name, row.name)) continue;
        if (!row.block) return row.check(*this, name);
        if (!EnterBlock(name)) return false;
        bool ok = row.check(*this, name);
        LeaveBlock();
        return ok;
    }
    Say("Error! Wrong kavTag: %s\n", {name});
    return true;
}

bool CheckScan::EnterBlock(const std::string& name) {
    // Blocks of different kinds nest by recursion, so a text that nests
    // them without end must stop being followed somewhere.
    if (nesting_ >= kMaxCheckNesting) {
        Say("Error: Abnormal ending of %s\n", {name});
        return false;
    }
    ++nesting_;
    open_blocks_.push_back(OpenBlock{name, line_});
    return true;
}

void CheckScan::LeaveBlock(int count) {
    nesting_ -= count;
    for (; count > 0 && !open_blocks_.empty(); --count) open_blocks_.pop_back();
}

}  // namespace kavr
