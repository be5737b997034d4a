#include "cgi/validate.h"

#include <cstdlib>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "cgi/mask_match.h"
#include "driver/core/report_error.h"
#include "driver/core/text_util.h"
#include "expr/lexer.h"

namespace kavr {

bool IsIntegerText(std::string_view text) {
    size_t i = (!text.empty() && (text[0] == '+' || text[0] == '-')) ? 1 : 0;
    if (i == text.size()) return false;
    for (; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

bool IsNumberText(std::string_view text) {
    size_t i = (!text.empty() && (text[0] == '+' || text[0] == '-')) ? 1 : 0;
    bool digit = false, point = false;
    for (; i < text.size(); ++i) {
        if (text[i] >= '0' && text[i] <= '9') {
            digit = true;
        } else if (text[i] == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digit;
}

std::string RoundNumberText(std::string_view text) {
    bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
    size_t point = text.find('.');
    std::string whole(text.substr(0, point));
    bool round_up = point != std::string_view::npos && point + 1 < text.size() && text[point + 1] >= '5';
    if (round_up) {
        size_t i = whole.size();
        while (i > 0 && whole[i - 1] == '9') whole[--i] = '0';
        if (i == 0) whole.insert(whole.begin(), '1');
        else ++whole[i - 1];
    }
    size_t first = whole.find_first_not_of('0');
    whole = first == std::string::npos ? "0" : whole.substr(first);
    return (negative && whole != "0") ? "-" + whole : whole;
}

static bool is_date_separator(int cls, const std::string& token) {
    return cls == kTokMinus || (cls == kTokOperator && token == "/");
}

bool IsDateText(std::string_view text) {
    Lexer lexer(text, kRefHashIsChar);
    std::string token;
    auto part = [&] {
        int cls = lexer.NextToken(token);
        return cls != kTokEnd && !is_date_separator(cls, token);
    };
    auto separator = [&] {
        int cls = lexer.NextToken(token);
        return is_date_separator(cls, token);
    };
    if (!part() || !separator() || !part()) return false;
    int cls = lexer.NextToken(token);
    if (cls == kTokEnd) return true;
    return is_date_separator(cls, token) && part();  // what follows the third part is not looked at
}

namespace {

enum class RuleKind { kRequired, kRange, kInteger, kFloat, kMask, kDate };

struct Rule {
    size_t index;  // of the rule variable
    RuleKind kind;
};

// The rules of each field, keyed by the field's name in lower case, each
// list in table order. A rule variable is field name plus suffix; a mask
// rule's name only begins with field name plus "_mask".
std::unordered_map<std::string, std::vector<Rule>> collect_rules(const std::vector<NameValue>& vars) {
    static const std::pair<const char*, RuleKind> kSuffixes[] = {
        {"_required", RuleKind::kRequired}, {"_range", RuleKind::kRange},
        {"_integer", RuleKind::kInteger},   {"_float", RuleKind::kFloat},
        {"_date", RuleKind::kDate},
    };
    std::unordered_map<std::string, std::vector<Rule>> rules;
    for (size_t i = 0; i < vars.size(); ++i) {
        const std::string lower = ToLower(vars[i].name);
        for (const auto& s : kSuffixes) {
            std::string_view suffix = s.first;
            if (lower.size() >= suffix.size() &&
                lower.compare(lower.size() - suffix.size(), suffix.size(), suffix) == 0)
                rules[lower.substr(0, lower.size() - suffix.size())].push_back({i, s.second});
        }
        for (size_t at = lower.find("_mask"); at != std::string::npos; at = lower.find("_mask", at + 1))
            rules[lower.substr(0, at)].push_back({i, RuleKind::kMask});
    }
    return rules;
}

// The error page: opened by the fixed head at the first problem.
struct ProblemPage {
    Request& request;
    bool opened = false;

    void item(std::string_view text) {
        ReportFormError(request, !opened);
        opened = true;
        request.out.write("<li>");
        request.out.write(text);
    }
    void close() {
        if (!opened) return;
        request.out.write("<p><b>Troubleshooting Information:</b></p>\n");
        request.out.write("<P>");
        request.out.write(
            "Please use the Back button on your web browser to return to the previous page and "
            "correct the listed problems and then resubmit your input.");
        request.out.write("</td>\n</tr>\n</table>\n");
    }
};

// Rule texts, entries and field names all come from the request: a
// crafted link must not put markup on the page, so each is escaped.
std::string entered(const std::string& message, const std::string& entry) {
    return HtmlEscape(message) + " (You entered  '" + HtmlEscape(entry) + "')";
}

// 1 passes, 0 broken (problem set), -1 the rule itself is malformed ("min"
// or "max" not followed by "=").
int check_range(const std::string& field, const std::string& entry, const std::string& rule,
                std::string& problem) {
    Lexer lexer(rule, kRefHashIsChar);
    std::string word, min_text, max_text;
    while (lexer.NextToken(word) != kTokEnd) {
        bool is_min = EqualsNoCase(word, "min");
        if (!is_min && !EqualsNoCase(word, "max")) continue;
        std::string eq;
        if (lexer.NextToken(eq) != kTokOperator || eq != "=") return -1;
        std::string bound;
        lexer.ReadSignedItem(false, bound);
        (is_min ? min_text : max_text) = bound;
    }
    double value = std::strtod(entry.c_str(), nullptr);
    bool below = !min_text.empty() && value < std::strtod(min_text.c_str(), nullptr);
    bool above = !max_text.empty() && value > std::strtod(max_text.c_str(), nullptr);
    if (!below && !above) return 1;
    problem = "The value entered for the " + HtmlEscape(field) + " field must be between " +
              HtmlEscape(min_text) + " and " + HtmlEscape(max_text) + " (your entry was " +
              HtmlEscape(entry) + ").";
    return 0;
}

// The masks are the text after the first "=" of the rule's *name*
// ("zip_mask=00000|00000-0000"), separated by "|"; the rule's value is the
// message. A rule name without "=" sets no mask and passes.
bool mask_passes(const std::string& rule_name, const std::string& entry) {
    size_t eq = rule_name.find('=');
    if (eq == std::string::npos) return true;
    std::string_view masks = std::string_view(rule_name).substr(eq + 1);
    for (size_t start = 0;;) {
        size_t bar = masks.find('|', start);
        if (MaskMatches(masks.substr(start, bar == std::string_view::npos ? bar : bar - start), entry))
            return true;
        if (bar == std::string_view::npos) return false;
        start = bar + 1;
    }
}

}  // namespace

int ValidateForm(Request& request) {
    std::vector<NameValue>& vars = request.input.vars;
    ProblemPage page{request};

    // Required fields that were not sent at all (an unticked checkbox).
    std::unordered_set<std::string> sent;
    for (const NameValue& v : vars) sent.insert(ToLower(v.name));
    for (const NameValue& v : vars) {
        size_t at = FindNoCase(v.name, "_required");
        if (at != std::string::npos && !sent.count(ToLower(v.name.substr(0, at))))
            page.item(HtmlEscape(v.value));
    }

    const auto rules = collect_rules(vars);
    for (NameValue& field : vars) {
        auto found = rules.find(ToLower(field.name));
        if (found == rules.end()) continue;
        for (const Rule& rule : found->second) {
            const NameValue& r = vars[rule.index];
            std::string& entry = field.value;
            std::string problem;
            bool broken = false;
            if (rule.kind == RuleKind::kRequired) {
                broken = entry.empty();
                problem = HtmlEscape(r.value);
            } else if (entry.empty()) {
                continue;
            } else if (rule.kind == RuleKind::kRange) {
                int result = check_range(field.name, entry, r.value, problem);
                if (result < 0) {  // a malformed rule ends the whole check
                    page.close();
                    return 0;
                }
                broken = result == 0;
            } else if (rule.kind == RuleKind::kInteger) {
                if (!IsIntegerText(entry) && IsNumberText(entry)) entry = RoundNumberText(entry);
                broken = !IsIntegerText(entry);
                problem = entered(r.value, entry);
            } else if (rule.kind == RuleKind::kFloat) {
                broken = !IsNumberText(entry);
                problem = entered(r.value, entry);
            } else if (rule.kind == RuleKind::kMask) {
                broken = !mask_passes(r.name, entry);
                problem = entered(r.value, entry);
            } else if (rule.kind == RuleKind::kDate) {
                broken = !IsDateText(entry);
                problem = HtmlEscape(r.value);
            }
            if (broken) {
                page.item(problem);
                break;
            }
        }
    }

    if (request.action == kActionInsert || request.action == kActionUpdate) {
        if (!request.datasource || request.datasource->empty())
            page.item("You must specify the Datasource<BR>");
        if (!request.tablename || request.tablename->empty())
            page.item("You must specify the TableName<BR>");
    }

    if (!page.opened) return 1;
    page.close();
    return 0;
}

}  // namespace kavr
