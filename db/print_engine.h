// The output engine of kavprint and kavmail: group levels collected from
// the tag's body, run once without a query or once per query row.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/row_text.h"
#include "driver/core/request.h"
#include "expr/eval_context.h"

namespace kavr {

struct TagCall;

// Mail attributes of a kavmail level, kept as written: they are expanded
// against the row when a message starts.
struct MailAttributes {
    std::string to, from, subject, cc, type, attach, send_mode;
    bool has_attach = false;
};

struct GroupLevel {
    std::string group_field;  // empty: the level has none
    std::string header, footer;
    bool header_set = false;
    std::string last_value;
    bool has_value = false;
    bool seen_row = false;
    std::string file, password, preformat, htmlformat;
    bool open = false;
    bool same = false;
    bool mail = false;
    MailAttributes mail_attributes;
    std::unique_ptr<ModuleState> message;  // the message of a mail level, while open
};

// How a mail level starts, fills and finishes its message; installed by
// the mail layer. Each step returns 1, or 0 after reporting (10230).
struct PrintMailOps {
    int (*begin)(Request&, GroupLevel&, const RowView& row) = nullptr;
    int (*append)(Request&, GroupLevel&, std::string_view text) = nullptr;
    int (*finish)(Request&, GroupLevel&) = nullptr;
};
void SetPrintMailOps(const PrintMailOps& ops);

// The kavprint handler; with mail the outermost level is a kavmail level.
int RunPrintTag(TagCall& call, bool mail);

int KavPrint(TagCall& call);

}  // namespace kavr
