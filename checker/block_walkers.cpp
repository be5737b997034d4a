// The bodies of block tags: each walker reads up to its closing tag,
// counting nested opening tags of its own kind (whose headers it checks),
// checking the tags that only exist inside it, and handing every other
// tag to the dispatcher. The end of the text inside a body is reported
// with the block's "unbalanced" message.
#include "checker/check_scan.h"
#include "checker/tag_checks.h"
#include "driver/core/text_util.h"

namespace kavr {

namespace {

bool is_punct(int cls, const std::string& token, const char* p) { return cls == kTokPunct && token == p; }

struct BlockRules {
    // Opening tags of the block's own kind.
    bool (*is_own)(const std::string& name);
    // Checks the header of a nested opening tag of the own kind.
    bool (*check_own)(CheckScan& scan, const std::string& name);
    // Checks what follows the name of a closing tag of the own kind;
    // closes_block tells whether it is the one that ends this body.
    void (*check_close)(CheckScan& scan, const std::string& name, bool closes_block);
    // Tags that only exist in this body (opening, or closing when
    // closing is set); true when the tag was one of them, with its result.
    bool (*check_inner)(CheckScan& scan, const std::string& name, bool closing, bool* result);
    void (*unbalanced)(CheckScan& scan, const std::string& opening);
    // A nested check that fails ends the walk at once, without a message.
    bool failure_ends_walk;
    // Other tags with the prefix are checked; otherwise they are passed over.
    bool dispatch_others;
};

// Nested opening tags of the walker's own kind count as blocks open
// around what follows them, like blocks of other kinds.
bool walk_body(CheckScan& scan, const BlockRules& rules, const std::string& opening, int& depth) {
    std::string token, name;
    for (;;) {
        if (scan.Next(token, kReadText) == kTokEnd) break;
        // Text that a print or mail body expands: its own, and that of the
        // blocks inside it whose text is output.
        const std::string* print_tag = rules.dispatch_others && token == "#" ? scan.PrintBodyTag() : nullptr;
        if (print_tag) {
            scan.CheckBodyReference(std::string(*print_tag));
            continue;
        }
        if (token != "<") continue;
        int cls = scan.Next(name, kReadText);
        if (cls == kTokEnd) break;
        if (cls == kTokOperator && name == "/") {
            if (scan.Next(name, kReadText) == kTokEnd) break;
            bool inner_result = true;
            if (rules.is_own(name)) {
                rules.check_close(scan, name, depth == 0);
                if (depth == 0) return true;
                --depth;
                scan.LeaveBlock();
            } else if (rules.check_inner) {
                rules.check_inner(scan, name, true, &inner_result);
            }
            continue;
        }
        if (!StartsWithNoCase(name, "kav")) continue;
        bool result = true;
        if (rules.check_own && rules.is_own(name)) {
            if (scan.EnterBlock(name)) {
                result = rules.check_own(scan, name);
                ++depth;
            } else {
                result = false;
            }
        } else if (rules.check_inner && rules.check_inner(scan, name, false, &result)) {
            // checked as a tag of this body
        } else if (rules.dispatch_others) {
            result = scan.Dispatch(name);
        }
        if (!result && rules.failure_ends_walk) return false;
    }
    rules.unbalanced(scan, opening);
    scan.NoteOpenBlocks(depth + 1);
    return false;
}

bool walk(CheckScan& scan, const BlockRules& rules, const std::string& opening) {
    int depth = 0;
    bool ok = walk_body(scan, rules, opening, depth);
    scan.LeaveBlock(depth);
    return ok;
}

// Reads what follows the name of a closing tag.
enum CloseEnd { kCloseGt, kCloseEnd, kCloseOther };
CloseEnd read_close_end(CheckScan& scan) {
    std::string token;
    int cls = scan.Next(token, kReadText);
    if (cls == kTokEnd) return kCloseEnd;
    if (is_punct(cls, token, ">")) return kCloseGt;
    if (is_punct(cls, token, "<")) scan.Back();
    return kCloseOther;
}

// kavif, with kavelseif and kavelse.
bool is_if(const std::string& name) { return EqualsNoCase(name, "kavif"); }
bool check_if_header(CheckScan& scan, const std::string&) { return CheckIfHeader(scan); }
void close_if(CheckScan& scan, const std::string& name, bool) {
    if (read_close_end(scan) == kCloseEnd) SayTagOpenAtEnd(scan, "/" + name);
}
bool if_inner(CheckScan& scan, const std::string& name, bool closing, bool* result) {
    if (closing) return false;
    bool is_else = EqualsNoCase(name, "kavelse");
    if (!is_else && !EqualsNoCase(name, "kavelseif")) return false;
    std::string token;
    int cls = scan.Next(token, kReadAttr);
    if (cls == kTokEnd) {
        scan.Say("Error: Abnormal ending of %s\n", {name});
        *result = false;
        return true;
    }
    if (is_else) {
        if (is_punct(cls, token, "<")) scan.Back();
        *result = true;
        return true;
    }
    // An elseif condition is evaluated like the condition of kavif.
    scan.Back();
    *result = CheckIfHeader(scan);
    return true;
}
void if_unbalanced(CheckScan& scan, const std::string&) { scan.SayBare("Error: kavIf and /kavIf are unbalanced\n"); }
const BlockRules kIfRules = {is_if, check_if_header, close_if, if_inner, if_unbalanced, false, true};

// kavwhile.
bool is_while(const std::string& name) { return EqualsNoCase(name, "kavwhile"); }
bool check_while_header(CheckScan& scan, const std::string&) { return CheckWhileHeader(scan); }
void close_while(CheckScan& scan, const std::string&, bool) {
    if (read_close_end(scan) != kCloseGt) scan.Say("Error: /kavWhile not ending with >\n");
}
void while_unbalanced(CheckScan& scan, const std::string&) {
    scan.SayBare("Error: kavWhile and /kavWhile are unbalanced\n");
}
const BlockRules kWhileRules = {is_while, check_while_header, close_while, nullptr, while_unbalanced, true, true};

// kavfor. Its closing tag's wording names /kavIf in two of its messages.
bool is_for(const std::string& name) { return EqualsNoCase(name, "kavfor"); }
bool check_for_header(CheckScan& scan, const std::string&) { return CheckForHeader(scan); }
void close_for(CheckScan& scan, const std::string&, bool closes_block) {
    switch (read_close_end(scan)) {
        case kCloseEnd:
            scan.Say("%d: Inproper end of /kavIf\n");
            break;
        case kCloseOther:
            scan.Say(closes_block ? "%d: Missing > in /kavFor\n" : "Error: Missing > in /kavIf\n");
            break;
        default:
            break;
    }
}
void for_unbalanced(CheckScan& scan, const std::string&) { scan.Say("%d: kavFor and /kavFor are unbalanced\n"); }
const BlockRules kForRules = {is_for, check_for_header, close_for, nullptr, for_unbalanced, true, true};

// kavselectcase, with kavcase and kavcaseelse.
bool is_select(const std::string& name) { return EqualsNoCase(name, "kavselectcase"); }
bool check_select_header(CheckScan& scan, const std::string&) { return CheckSelectHeader(scan); }
void close_select(CheckScan& scan, const std::string&, bool) {
    switch (read_close_end(scan)) {
        case kCloseEnd:
            scan.Say("%d: In proper end of /kavSelectCase\n");
            break;
        case kCloseOther:
            scan.Say("%d: Missing > in /kavSelectCase\n");
            break;
        default:
            break;
    }
}
bool select_inner(CheckScan& scan, const std::string& name, bool closing, bool* result) {
    if (closing) return false;
    if (EqualsNoCase(name, "kavcase")) {
        *result = CheckCaseHeader(scan);
        return true;
    }
    if (EqualsNoCase(name, "kavcaseelse")) {
        *result = CheckCaseElse(scan);
        return true;
    }
    return false;
}
void select_unbalanced(CheckScan& scan, const std::string&) {
    scan.Say("%d: kavSelect and /kavSelect are unbalanced\n");
}
const BlockRules kSelectRules = {is_select,    check_select_header, close_select, select_inner,
                                 select_unbalanced, true,           true};

// kavprint and kavmail: one family, nested in any mix.
bool is_print(const std::string& name) { return EqualsNoCase(name, "kavprint") || EqualsNoCase(name, "kavmail"); }
bool check_print_header(CheckScan& scan, const std::string& name) {
    return CheckKeywordTag(scan, kFormPrint, name, true);
}
void close_print(CheckScan& scan, const std::string& name, bool) {
    switch (read_close_end(scan)) {
        case kCloseEnd:
            scan.Say("%d: Inproper end of /%s\n", {name});
            break;
        case kCloseOther:
            scan.Say("%d: Missing > in /%s\n", {name});
            break;
        default:
            break;
    }
}
void print_unbalanced(CheckScan& scan, const std::string& opening) {
    scan.Say("%d: Unbalanced %s and /%s\n", {opening, opening});
}
const BlockRules kPrintRules = {is_print, check_print_header, close_print, nullptr, print_unbalanced, false, true};

// kavprinttable: only its columns and its closing tag are looked at.
bool is_print_table(const std::string& name) { return EqualsNoCase(name, "kavprinttable"); }
void close_print_table(CheckScan& scan, const std::string& name, bool) {
    if (read_close_end(scan) == kCloseEnd) SayTagOpenAtEnd(scan, "/" + name);
}
bool print_table_inner(CheckScan& scan, const std::string& name, bool closing, bool* result) {
    if (!EqualsNoCase(name, "kavprinttablecol")) return false;
    if (!closing) {
        *result = CheckKeywordTag(scan, kFormTableColumn, name);
        return true;
    }
    switch (read_close_end(scan)) {
        case kCloseEnd:
            scan.Say("%d: Inproper end of /kavCol\n");
            break;
        case kCloseOther:
            scan.Say("%d: Missing > in /kavCol\n");
            break;
        default:
            break;
    }
    return true;
}
void print_table_unbalanced(CheckScan& scan, const std::string&) {
    scan.Say("%d: Unbalanced kavPrintTable and /kavPrintTable\n");
}
const BlockRules kPrintTableRules = {is_print_table,         nullptr, close_print_table, print_table_inner,
                                     print_table_unbalanced, false,   false};

// kavdbtransaction.
bool is_transaction(const std::string& name) { return EqualsNoCase(name, "kavdbtransaction"); }
bool check_transaction_header(CheckScan& scan, const std::string&) { return CheckTransactionHeader(scan, true); }
void close_transaction(CheckScan& scan, const std::string&, bool) {
    switch (read_close_end(scan)) {
        case kCloseEnd:
            scan.Say("Error: Inproper ending of /kavTransaction\n");
            break;
        case kCloseOther:
            scan.Say("Error: Missing > in /kavTransaction\n");
            break;
        default:
            break;
    }
}
void transaction_unbalanced(CheckScan& scan, const std::string&) {
    scan.Say("Error: Unbalanced kavTransaction and /kavTransaction\n");
}
const BlockRules kTransactionRules = {is_transaction, check_transaction_header, close_transaction, nullptr,
                                      transaction_unbalanced, false, true};

}  // namespace

bool WalkIfBody(CheckScan& scan, const std::string& opening) { return walk(scan, kIfRules, opening); }
bool WalkWhileBody(CheckScan& scan, const std::string& opening) { return walk(scan, kWhileRules, opening); }
bool WalkForBody(CheckScan& scan, const std::string& opening) { return walk(scan, kForRules, opening); }
bool WalkSelectBody(CheckScan& scan, const std::string& opening) { return walk(scan, kSelectRules, opening); }
bool WalkPrintBody(CheckScan& scan, const std::string& opening) { return walk(scan, kPrintRules, opening); }
bool WalkPrintTableBody(CheckScan& scan, const std::string& opening) {
    return walk(scan, kPrintTableRules, opening);
}
bool WalkTransactionBody(CheckScan& scan, const std::string& opening) {
    return walk(scan, kTransactionRules, opening);
}

}  // namespace kavr
