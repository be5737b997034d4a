// The keyword-attribute check: name "=" value pairs in any order up to
// ">", each problem worded by the tag's form, with resynchronisation so
// that one tag can report several problems.
#include <vector>

#include "checker/check_scan.h"
#include "checker/tag_checks.h"
#include "checker/value_check.h"
#include "driver/core/text_util.h"

namespace kavr {

namespace {

bool is_punct(int cls, const std::string& token, const char* p) { return cls == kTokPunct && token == p; }

// After a reported problem: a ">" finishes the tag, a "<" belongs to what
// follows the tag; any other token is passed and the check goes on.
bool resync(CheckScan& scan, int cls, const std::string& token) {
    if (is_punct(cls, token, ">")) return true;
    if (is_punct(cls, token, "<")) {
        scan.Back();
        return true;
    }
    return false;
}

// A problem without a message ends the check of the tag; the rest of the
// tag is passed over as text, except a "<" that may open the next tag.
bool end_quietly(CheckScan& scan, int cls, const std::string& token) {
    if (is_punct(cls, token, "<")) scan.Back();
    return true;
}

std::string unquoted(const std::string& item) {
    if (item.size() >= 2 && item.front() == '"' && item.back() == '"') return item.substr(1, item.size() - 2);
    return item;
}

bool value_ok(KeywordValue kind, int cls, const std::string& value) {
    // The end of the tag where its value should be.
    if (is_punct(cls, value, ">") || is_punct(cls, value, "<")) return false;
    switch (kind) {
        case kKeywordExpression:
            return ValueParses(cls, value);
        case kKeywordVariable:
            return IsVariableForm(cls == kTokString ? unquoted(value) : value, false);
        default:
            return true;
    }
}

const KeywordRule* find_rule(const KeywordForm& form, const std::string& token) {
    for (size_t i = 0; i < form.count; ++i)
        if (EqualsNoCase(token, form.rules[i].name)) return &form.rules[i];
    return nullptr;
}

bool finish(CheckScan& scan, const KeywordForm& form, const std::vector<bool>& given, const std::string& tag) {
    if (!form.required_missing) return true;
    bool a = false, b = false;
    for (size_t i = 0; i < form.count; ++i) {
        if (EqualsNoCase(form.rules[i].name, form.required_a)) a = given[i];
        if (EqualsNoCase(form.rules[i].name, form.required_b)) b = given[i];
    }
    if (!a || !b) scan.Say(form.required_missing, {tag});
    return true;
}

}  // namespace

bool CheckKeywordTag(CheckScan& scan, const KeywordForm& form, const std::string& tag, bool nested) {
    std::vector<bool> given(form.count, false);
    bool first = true;
    std::string token, eq, value;
    for (;;) {
        int cls = scan.Item(token, kReadAttr, true, false);
        if (cls == kTokEnd) {
            if (form.text_ends)
                scan.Say(form.text_ends, {tag});
            else
                SayTagOpenAtEnd(scan, tag);
            return false;
        }
        if (is_punct(cls, token, ">")) {
            if (first && form.empty_tag) {
                scan.Say(form.empty_tag, {tag});
                return true;
            }
            return finish(scan, form, given, tag);
        }
        first = false;
        if (is_punct(cls, token, "<") && form.lt_in_tag) {
            scan.Say(form.lt_in_tag, {tag});
            scan.Back();
            return true;
        }
        const KeywordRule* rule = cls == kTokString ? nullptr : find_rule(form, token);
        if (!rule) {
            if (!form.unknown) return end_quietly(scan, cls, token);
            scan.Say(form.unknown, {token, tag});
            // An "=" and a value after the word are read as tokens of
            // their own, and each draws the message in turn.
            if (resync(scan, cls, token)) return true;
            continue;
        }
        size_t index = static_cast<size_t>(rule - form.rules);
        if (rule->value == kKeywordFlag) {
            given[index] = true;
            continue;
        }

        // Read as an item, so that a quoted value written without its "="
        // is one token.
        int eq_cls = scan.Item(eq, kReadAttr, true, false);
        if (eq_cls == kTokEnd) {
            if (rule->missing_eq)
                scan.Say(rule->missing_eq, {tag});
            else
                SayTagOpenAtEnd(scan, tag);
            return false;
        }
        if (!(eq_cls == kTokOperator && eq == "=")) {
            const char* message = nested && rule->no_eq_nested ? rule->no_eq_nested : rule->no_eq;
            if (!message) return end_quietly(scan, eq_cls, eq);
            scan.Say(message, {tag});
            if (resync(scan, eq_cls, eq)) return true;
            // The next keyword right after one without its value is read
            // again as a keyword.
            if (find_rule(form, eq)) scan.Back();
            continue;
        }

        int value_cls = scan.Item(value, kReadAttr, true, true);
        if (value_cls == kTokEnd) {
            if (rule->missing_value)
                scan.Say(rule->missing_value, {tag});
            else
                SayTagOpenAtEnd(scan, tag);
            return false;
        }
        if (!value_ok(rule->value, value_cls, value)) {
            if (!rule->bad_value) return end_quietly(scan, value_cls, value);
            scan.Say(rule->bad_value, {tag});
            if (resync(scan, value_cls, value)) return true;
            continue;
        }
        // An empty quoted text gives the keyword no value.
        given[index] = !(value_cls == kTokString && value == "\"\"");
    }
}

void SayTagOpenAtEnd(CheckScan& scan, const std::string& tag) { scan.Say("%d: Inproper end of %s\n", {tag}); }

bool CheckSilentTag(CheckScan& scan, const std::string& tag) {
    std::string token, eq, value;
    auto open_at_end = [&] {
        SayTagOpenAtEnd(scan, tag);
        return false;
    };
    for (;;) {
        int cls = scan.Item(token, kReadAttr, true, false);
        if (cls == kTokEnd) return open_at_end();
        if (is_punct(cls, token, ">")) return true;
        if (is_punct(cls, token, "<")) {
            scan.Back();
            return true;
        }
        if (cls != kTokIdent) continue;
        int eq_cls = scan.Next(eq, kReadAttr);
        if (eq_cls == kTokEnd) return open_at_end();
        if (!(eq_cls == kTokOperator && eq == "=")) {
            // A word standing alone; what follows it is read again.
            scan.Back();
            continue;
        }
        int value_cls = scan.Item(value, kReadAttr, true, true);
        if (value_cls == kTokEnd) return open_at_end();
        if (!value_ok(kKeywordExpression, value_cls, value)) return end_quietly(scan, value_cls, value);
    }
}

}  // namespace kavr
