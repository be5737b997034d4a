// Tags of a fixed shape: kavset, the headers of the branch, loop and
// select tags, kavcase, kavcaseelse, kavvarexistcheck, kavdbtransaction,
// and the tags that are only a name. Each reads its items in the order
// the engine reads them; after a problem with the shape the rest of the
// tag is passed over as text.
#include "checker/check_scan.h"
#include "checker/tag_checks.h"
#include "checker/value_check.h"
#include "driver/core/text_util.h"

namespace kavr {

namespace {

bool is_punct(int cls, const std::string& token, const char* p) { return cls == kTokPunct && token == p; }

// Wording of the checks that read one expression and then ">".
struct ExpressionHeader {
    signed char mode;
    bool signed_item;
    const char* missing;     // the text ends where the expression is expected, or ">" comes first
    const char* bad;         // the expression does not parse
    const char* text_ends;   // the text ends where ">" is expected
    const char* not_gt;      // another token instead of ">"
    bool no_output_word;     // "NoOutput" may stand before the ">"
};

// The token that must be ">": a "<" in its place belongs to what follows.
bool expect_gt(CheckScan& scan, const char* text_ends, const char* not_gt) {
    std::string token;
    int cls = scan.Next(token, kReadAttr);
    if (cls == kTokEnd) {
        scan.Say(text_ends);
        return false;
    }
    if (is_punct(cls, token, ">")) return true;
    scan.Say(not_gt);
    if (is_punct(cls, token, "<")) scan.Back();
    return true;
}

bool check_expression_header(CheckScan& scan, const ExpressionHeader& h) {
    std::string item;
    int cls = scan.Item(item, h.mode, true, h.signed_item);
    if (cls == kTokEnd) {
        scan.Say(h.missing);
        return false;
    }
    if (is_punct(cls, item, ">")) {
        scan.Say(h.missing);
        return true;
    }
    if (is_punct(cls, item, "<")) {
        scan.Say(h.missing);
        scan.Back();
        return true;
    }
    if (!ValueParses(cls, item)) scan.Say(h.bad);
    if (h.no_output_word) {
        std::string token;
        int next = scan.Next(token, kReadAttr);
        if (next == kTokEnd) {
            scan.Say(h.text_ends);
            return false;
        }
        if (!EqualsNoCase(token, "NoOutput")) scan.Back();
    }
    return expect_gt(scan, h.text_ends, h.not_gt);
}

const ExpressionHeader kIfHeader = {kReadAttr,
                                    false,
                                    "%d: Missing conditional expression in kavIf\n",
                                    "%d: Syntax error with the conditional expression in kavIf\n",
                                    "%d: Inproper end of kavIf\n",
                                    "%d: Missing > in kavIf\n",
                                    false};

const ExpressionHeader kWhileHeader = {kReadAttr,
                                       false,
                                       "Error: Missing while expression in kavWhile\n",
                                       "Error: Should be an expression after kavWhile\n",
                                       "Error: Inproper ending of kavWhile\n",
                                       "Error: Missing > in kavWhile\n",
                                       true};

const ExpressionHeader kSelectHeader = {kReadAttr,
                                        true,
                                        "%d: Missing the select expression in kavSelect\n",
                                        "%d: Syntax error with select expression in kavSelect\n",
                                        "%d: Missing > in kavSelect\n",
                                        "%d: NO > in kavSelect\n",
                                        false};

// Case values are read with "##" standing for "#", as the engine reads them.
const ExpressionHeader kCaseHeader = {kReadCase,
                                      true,
                                      "%d: Missing the  case expression in kavCase\n",
                                      "%d: Syntax error with case expression in kavCase\n",
                                      "%d: Missing > in kavCase\n",
                                      "%d: No > in kavCase\n",
                                      false};

}  // namespace

bool CheckIfHeader(CheckScan& scan) { return check_expression_header(scan, kIfHeader); }
bool CheckWhileHeader(CheckScan& scan) { return check_expression_header(scan, kWhileHeader); }
bool CheckSelectHeader(CheckScan& scan) { return check_expression_header(scan, kSelectHeader); }
bool CheckCaseHeader(CheckScan& scan) { return check_expression_header(scan, kCaseHeader); }

bool CheckCaseElse(CheckScan& scan) {
    return expect_gt(scan, "%d: Inproper end of kavCaseElse\n", "%d: Missing > in kavCaseElse\n");
}

// kavset: a variable, "=", an expression, ">".
bool CheckSetTag(CheckScan& scan) {
    std::string name, token, value;
    int cls = scan.Item(name, kReadAttr, false, false);
    if (cls == kTokEnd) {
        scan.Say("%d: Missing variable in kavSet\n");
        return false;
    }
    if (is_punct(cls, name, ">") || is_punct(cls, name, "<")) {
        scan.Say("%d: Missing variable in kavSet\n");
        if (is_punct(cls, name, "<")) scan.Back();
        return true;
    }
    if (cls == kTokOperator && name == "=") {
        // No variable before the "=": the value is still checked.
        scan.Say("%d: Missing variable in kavSet\n");
    } else {
        if (!IsVariableForm(name, false)) scan.Say("%d: Syntax error with the variable in kavSet\n");
        cls = scan.Item(token, kReadAttr, true, false);
        if (cls == kTokEnd) {
            scan.Say("%d: Missing keyword = in kavSet\n");
            return false;
        }
        if (!(cls == kTokOperator && token == "=")) {
            scan.Say("%d: No = in kavSet\n");
            if (is_punct(cls, token, "<")) scan.Back();
            return true;
        }
    }

    cls = scan.Item(value, kReadAttr, true, true);
    if (cls == kTokEnd) {
        scan.Say("%d: Missing expression after = in kavSet\n");
        return false;
    }
    if (is_punct(cls, value, ">") || is_punct(cls, value, "<")) {
        scan.Say("%d: Missing expression after = in kavSet\n");
        if (is_punct(cls, value, "<")) scan.Back();
        return true;
    }
    if (!ValueParses(cls, value)) scan.Say("%d: Syntax error with the expression after = in kavSet\n");
    return expect_gt(scan, "%d: Missing > in kavSet\n", "%d: No > in kavSet\n");
}

// kavfor: counter "=" from To to, then ">" or Step step ">" (and the
// word NoOutput anywhere after the bounds, as the engine allows).
bool CheckForHeader(CheckScan& scan) {
    std::string item, token;
    int cls = scan.Item(item, kReadAttr, false, false);
    if (cls == kTokEnd) {
        scan.Say("%d: Missing the counter variable in kavFor\n");
        return false;
    }
    if (is_punct(cls, item, ">") || is_punct(cls, item, "<")) {
        scan.Say("%d: Missing the counter variable in kavFor\n");
        if (is_punct(cls, item, "<")) scan.Back();
        return true;
    }
    if (!IsVariableForm(item, true)) scan.Say("%d: The counter should be a variable in kavFor\n");

    cls = scan.Next(token, kReadAttr);
    if (cls == kTokEnd) {
        scan.Say("%d: Missing = after the counter variable in kavFor\n");
        return false;
    }
    if (!(cls == kTokOperator && token == "=")) {
        scan.Say("%d: There should be a = following the counter variable\n");
        if (is_punct(cls, token, "<")) scan.Back();
        return true;
    }

    // The two bounds and the step: an expression each.
    struct Bound {
        const char* missing;
        const char* bad;
    };
    const Bound from = {"%d: Error: Missing from expression in the kavFor\n",
                        "%d: Syntax error with the from expression in kavFor\n"};
    const Bound to = {"%d: Missing to expression in kavFor\n", "%d: Syntax error with the to expression in kavFor\n"};
    const Bound step = {"%d: Missing step expression in kavFor\n", "%d: Syntax error with step expression in kavFor\n"};
    // 1 read and checked, 0 the text ended, -1 the tag ended where the
    // expression should be.
    auto bound = [&scan](const Bound& b) {
        std::string value;
        int c = scan.Item(value, kReadAttr, true, true);
        if (c == kTokEnd) {
            scan.Say(b.missing);
            return 0;
        }
        if (is_punct(c, value, ">") || is_punct(c, value, "<")) {
            scan.Say(b.missing);
            if (is_punct(c, value, "<")) scan.Back();
            return -1;
        }
        if (!ValueParses(c, value)) scan.Say(b.bad);
        return 1;
    };

    int r = bound(from);
    if (r <= 0) return r == -1;
    cls = scan.Next(token, kReadAttr);
    if (cls == kTokEnd) {
        scan.Say("%d: Missing keyword to in kavFor\n");
        return false;
    }
    if (!EqualsNoCase(token, "To")) {
        scan.Say("%d: Wrong keyword, should be a To following from expression in kavFor\n");
        if (is_punct(cls, token, "<")) scan.Back();
        return true;
    }
    r = bound(to);
    if (r <= 0) return r == -1;

    for (;;) {
        cls = scan.Next(token, kReadAttr);
        if (cls == kTokEnd) {
            scan.Say("%d: Inproper ending of kavFor\n");
            return false;
        }
        if (is_punct(cls, token, ">")) return true;
        if (EqualsNoCase(token, "NoOutput")) continue;
        if (EqualsNoCase(token, "Step")) {
            r = bound(step);
            if (r <= 0) return r == -1;
            continue;
        }
        scan.Say("%d: Missing > or Step in kavFor\n");
        if (is_punct(cls, token, "<")) scan.Back();
        return true;
    }
}

// kavvarexistcheck: On, Off or a reference, then ">".
bool CheckVarExistCheck(CheckScan& scan) {
    std::string item;
    int cls = scan.Item(item, kReadAttr, false, false);
    if (cls == kTokEnd) {
        scan.Say("%d: Missing parameter in kavVarExistCheck\n");
        return false;
    }
    if (is_punct(cls, item, ">") || is_punct(cls, item, "<")) {
        scan.Say("%d: Missing parameter in kavVarExistCheck\n");
        if (is_punct(cls, item, "<")) scan.Back();
        return true;
    }
    // A reference is expanded by the engine; the wording has no message
    // for one that does not parse, so only the parser's own note shows.
    if (cls == kTokReference) ReferenceParses(item);
    return expect_gt(scan, "%d: Missing > in kavVarExistCheck\n", "%d: No > in kavVarExistCheck\n");
}

// kavdbtransaction: the next token must be ">". A transaction nested in
// another one has its own wording.
bool CheckTransactionHeader(CheckScan& scan, bool nested) {
    std::string token;
    int cls = scan.Next(token, kReadText);
    if (cls == kTokEnd) {
        scan.Say(nested ? "Error:In proper end of kavTransaction\n" : "Error: Inproper end of kavTransaction\n");
        return false;
    }
    if (is_punct(cls, token, ">")) return true;
    scan.Say(nested ? "Error:Missing > in kavTransaction\n" : "Error: Missing > in kavTransaction\n");
    if (is_punct(cls, token, "<")) scan.Back();
    return true;
}

bool CheckTagEnd(CheckScan& scan, const std::string& tag) {
    std::string token;
    int cls = scan.Next(token, kReadText);
    if (cls == kTokEnd) {
        SayTagOpenAtEnd(scan, tag);
        return false;
    }
    if (is_punct(cls, token, "<")) scan.Back();
    return true;
}

}  // namespace kavr
