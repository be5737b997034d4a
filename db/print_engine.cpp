#include "db/print_engine.h"

#include <cstdlib>

#include "db/print_include.h"
#include "template/tag_attributes.h"
#include "db/query_state.h"
#include "driver/core/charset.h"
#include "driver/core/log.h"
#include "driver/core/report_error.h"
#include "driver/core/text_util.h"
#include "expr/evaluator.h"
#include "expr/lexer.h"
#include "expr/variables.h"
#include "template/body_scanner.h"
#include "template/tag_reading.h"
#include "template/tag_table.h"

namespace kavr {

namespace {

PrintMailOps g_mail_ops;

void trace(Request& r, std::string_view text) { WriteLog(r.thread_number, 1, text); }

int print_error(Request& r, const std::string& why) {
    WriteLog(r.thread_number, 3, "Error: " + why + "\n");
    r.out.write("<BR><B>Error: " + why + "</B><BR>\n");
    return 0;
}

enum PrintAttr {
    kAttrQuery, kAttrMaxrows, kAttrGroup, kAttrFile, kAttrPassword, kAttrPreformat,
    kAttrHtmlformat, kAttrTo, kAttrFrom, kAttrSubject, kAttrCc, kAttrType, kAttrAttach,
    kAttrSendMode
};

const std::vector<AttributeSpec>& print_specs() {
    static const std::vector<AttributeSpec> specs = {
        {"query", false},   {"maxrows", false},   {"group", false}, {"File", false},
        {"password", false}, {"preformat", false}, {"htmlformat", false}, {"to", false},
        {"from", false},    {"subject", false},   {"cc", false},    {"type", false},
        {"attach", false},  {"SendMode", false}};
    return specs;
}

// A level's texts, compiled when the body has been collected.
struct LevelTexts {
    BoundRowText header, footer;
    BoundRowText group;        // "#field#" of a level with a group field
    bool refers_to_column = false;  // header or footer names a column of the query
};

// What one kavprint (or kavmail) run works with.
struct PrintRun {
    Request& r;
    bool output;
    std::string query;
    std::vector<GroupLevel> levels;
    std::vector<LevelTexts> texts;          // one per level
    std::vector<std::string> column_names;  // of the query, once described
    std::string expanded;                   // a level text expanded for one row
};

int expand_plain(Request& r, std::string& value) {
    return ExpandAttribute(kExpandText, value, 1024, r);
}

// Reads one print tag's attributes into its level.
int read_level(PrintRun& run, Lexer& lexer, GroupLevel& level, bool outermost) {
    Request& r = run.r;
    std::vector<TagAttribute> attrs;
    if (!ReadTagAttributes(lexer, print_specs(), attrs)) return 0;
    for (TagAttribute& a : attrs) {
        std::string& v = a.value;
        switch (a.which) {
            case kAttrQuery:
                if (!expand_plain(r, v)) return 0;
                if (outermost) run.query = std::string(CutView(v, 99));
                break;
            case kAttrMaxrows: {
                std::string value;
                if (!EvaluateItem(r, v, value)) return 0;
                Queries(r).print.maxrows = atoi(value.c_str());
                break;
            }
            case kAttrGroup:
                level.group_field = v;
                if (LogWanted(1)) trace(r, "Group Field=" + v + "\n");
                break;
            case kAttrFile:
            case kAttrPassword:
            case kAttrPreformat:
            case kAttrHtmlformat: {
                if (!expand_plain(r, v)) return 0;
                std::string* target[] = {&level.file, &level.password, &level.preformat,
                                         &level.htmlformat};
                *target[a.which - kAttrFile] = v;
                break;
            }
            case kAttrType:
                if (!expand_plain(r, v)) return 0;
                level.mail_attributes.type = v;
                break;
            case kAttrTo: level.mail_attributes.to = v; break;
            case kAttrFrom: level.mail_attributes.from = v; break;
            case kAttrSubject: level.mail_attributes.subject = v; break;
            case kAttrCc: level.mail_attributes.cc = v; break;
            case kAttrAttach:
                level.mail_attributes.attach = v;
                level.mail_attributes.has_attach = true;
                break;
            case kAttrSendMode: level.mail_attributes.send_mode = v; break;
        }
    }
    return 1;
}

int mail_allowed(Request& r) {
    if (r.permissions.mail && g_mail_ops.begin) return 1;
    ReportError(r, "10930", r.out);
    WriteLog(r.thread_number, 3, "Error: KavMail Operation is disabled\n");
    return 0;
}

bool is_print_tag(const std::string& name) {
    return EqualsNoCase(name, "kavprint") || EqualsNoCase(name, "kavmail");
}

int store_text(PrintRun& run, std::string& slot, const std::string& text) {
    if (text.size() > kLevelTextChars)
        return print_error(run.r, "a kavprint text is longer than " +
                                      std::to_string(kLevelTextChars) + " characters");
    slot = text;
    return 1;
}

// Collects the body up to the outermost closing tag: text before an inner
// print tag is its level's header, text before a closing tag the level's
// footer (or its header when it has none yet).
int collect_levels(PrintRun& run, Lexer& lexer) {
    const std::string& text = lexer.text();
    size_t from = lexer.position();
    size_t depth = 0;
    TagEvent ev;
    while (NextTagEvent(lexer, ev)) {
        if (!is_print_tag(ev.name)) continue;
        const std::string piece = text.substr(from, ev.lt - from);
        GroupLevel& level = run.levels[depth];
        if (!ev.closing) {
            // One chain of levels: a second inner print tag at the same
            // level would have no level of its own to fill.
            if (run.levels.size() > depth + 1)
                return print_error(run.r, "two print tags side by side inside one kavprint");
            if (!store_text(run, level.header, piece)) return 0;
            level.header_set = true;
            GroupLevel inner;
            inner.mail = EqualsNoCase(ev.name, "kavmail");
            if (inner.mail && !mail_allowed(run.r)) return 0;
            run.levels.push_back(std::move(inner));
            ++depth;
            if (!read_level(run, lexer, run.levels[depth], false)) return 0;
        } else {
            SkipTagEnd(lexer);
            if (level.header_set) {
                if (!store_text(run, level.footer, piece)) return 0;
            } else {
                if (!store_text(run, level.header, piece)) return 0;
                level.header_set = true;
            }
            if (depth == 0) return 1;
            --depth;
        }
        from = lexer.position();
    }
    return print_error(run.r, "kavprint without its closing tag");
}

bool in_mail(const PrintRun& run, size_t level, size_t& mail_level) {
    for (size_t i = level + 1; i-- > 0;)
        if (run.levels[i].mail) {
            mail_level = i;
            return true;
        }
    return false;
}

// Text of a level goes into the message of the nearest mail level around
// it, else to the page. A failed append is reported and output goes on.
int emit(PrintRun& run, size_t level, std::string_view text) {
    size_t m = 0;
    if (in_mail(run, level, m)) {
        if (run.levels[m].message) g_mail_ops.append(run.r, run.levels[m], text);
        return 1;
    }
    if (run.output) run.r.out.write(text);
    return 1;
}

int emit_expanded(PrintRun& run, size_t level, BoundRowText& text, const RowView& row) {
    if (!text.expand(run.r, row, run.expanded)) return 0;
    return emit(run, level, run.expanded);
}

void compile_texts(PrintRun& run) {
    run.texts.clear();
    run.texts.resize(run.levels.size());
    for (size_t i = 0; i < run.levels.size(); ++i) {
        const GroupLevel& level = run.levels[i];
        LevelTexts& t = run.texts[i];
        if (!level.header.empty()) t.header = BoundRowText(level.header);
        if (!level.footer.empty()) t.footer = BoundRowText(level.footer);
        if (!level.group_field.empty()) t.group = BoundRowText("#" + level.group_field + "#");
    }
}

// Whether a level text refers to one of the query's columns by name.
bool refers_to_column(const PrintRun& run, const GroupLevel& level) {
    for (const std::string* t : {&level.header, &level.footer}) {
        size_t at = 0;
        while ((at = t->find('#', at)) != std::string::npos) {
            size_t end = t->find('#', at + 1);
            if (end == std::string::npos) break;
            std::string ref = t->substr(at + 1, end - at - 1);
            // Any identifier inside the reference may name a column.
            std::string word;
            for (size_t i = 0; i <= ref.size(); ++i) {
                char c = i < ref.size() ? ref[i] : ' ';
                if (isalnum(static_cast<unsigned char>(c)) || c == '_') {
                    word += c;
                    continue;
                }
                for (const std::string& name : run.column_names)
                    if (!word.empty() && EqualsNoCase(word, name)) return true;
                word.clear();
            }
            at = end + 1;
        }
    }
    return false;
}

int close_level(PrintRun& run, size_t i, const RowView& last) {
    GroupLevel& level = run.levels[i];
    int ok = 1;
    if (!level.footer.empty()) ok = emit_expanded(run, i, run.texts[i].footer, last);
    level.open = false;
    if (level.mail && level.message) {
        g_mail_ops.finish(run.r, level);
        level.message.reset();
    }
    return ok;
}

int open_level(PrintRun& run, size_t i, const RowView& row) {
    GroupLevel& level = run.levels[i];
    level.open = true;
    if (level.mail) g_mail_ops.begin(run.r, level, row);
    if (!level.file.empty()) {
        IncludeFormat format = IncludeFormatOf(level.preformat, level.htmlformat);
        OutputIncludeFile(run.r, level.file, level.password, format,
                          [&](std::string_view text) { return emit(run, i, text); });
    }
    if (!level.header.empty()) return emit_expanded(run, i, run.texts[i].header, row);
    return 1;
}

// Whether each level keeps its group on this row.
void decide_same(PrintRun& run, const RowView& row) {
    for (size_t i = 0; i < run.levels.size(); ++i) {
        GroupLevel& level = run.levels[i];
        trace(run.r, "CALL SAME_VALUE\n");
        bool same;
        if (!level.group_field.empty()) {
            std::string& value = run.expanded;
            if (!run.texts[i].group.expand(run.r, row, value)) value.clear();
            if (!level.has_value) {
                level.last_value = value;
                level.has_value = true;
                same = false;
            } else if (value == level.last_value) {
                same = i == 0 ? true : run.levels[i - 1].same;
            } else {
                level.last_value = value;
                same = false;
            }
        } else if (run.texts[i].refers_to_column) {
            same = false;
        } else if (i > 0) {
            same = run.levels[i - 1].same;
        } else {
            same = level.seen_row;
        }
        level.seen_row = true;
        level.same = same;
        trace(run.r, same ? "SAME VALUE\n" : "NOT SAME VALUE\n");
    }
}

// One row through the levels. A level that changes closes every level
// inside it first (innermost footer first) and then reopens them.
int group_row(PrintRun& run, const RowView& row, const RowView& previous) {
    trace(run.r, "In Group_Out\n");
    decide_same(run, row);
    size_t first = run.levels.size();
    for (size_t i = 0; i < run.levels.size(); ++i)
        if (!run.levels[i].same) {
            first = i;
            break;
        }
    if (first == run.levels.size()) return 1;
    for (size_t i = run.levels.size(); i-- > first;)
        if (run.levels[i].open && !close_level(run, i, previous)) return 0;
    for (size_t i = first; i < run.levels.size(); ++i)
        if (!open_level(run, i, row)) return 0;
    return 1;
}

int close_groups(PrintRun& run, const RowView& last) {
    trace(run.r, "CLEAR GROUP_OUT\n");
    int ok = 1;
    for (size_t i = run.levels.size(); i-- > 0;)
        if (run.levels[i].open && !close_level(run, i, last)) ok = 0;
    return ok;
}

struct GroupSink : RowSink {
    PrintRun& run;
    explicit GroupSink(PrintRun& p) : run(p) {}
    int begin(Request&, QueryRun& q) override {
        run.column_names.clear();
        for (const ResultColumn& c : q.result.columns) run.column_names.push_back(c.name);
        for (size_t i = 0; i < run.levels.size(); ++i) {
            LevelTexts& t = run.texts[i];
            t.refers_to_column = refers_to_column(run, run.levels[i]);
            for (BoundRowText* text : {&t.header, &t.footer, &t.group}) text->unbind();
        }
        return 1;
    }
    int row(Request&, QueryRun& q) override {
        return group_row(run, RowView::Of(run.column_names, q.result.values),
                         RowView::Of(run.column_names, q.result.previous));
    }
    int end(Request&, QueryRun& q) override {
        return close_groups(run, RowView::Of(run.column_names, q.result.previous));
    }
};

// Whatever a failed run left open is closed without its footer; open
// messages are abandoned by their owners.
void discard_levels(PrintRun& run) {
    for (GroupLevel& level : run.levels) level.message.reset();
    run.levels.clear();
    trace(run.r, "End free_group\n");
}

}  // namespace

void SetPrintMailOps(const PrintMailOps& ops) { g_mail_ops = ops; }

int RunPrintTag(TagCall& call, bool mail) {
    Request& r = call.request;
    if (mail && !mail_allowed(r)) return 0;
    PrintRun run{r, call.output, "", {}, {}, {}, {}};
    run.levels.emplace_back();
    run.levels[0].mail = mail;
    if (!read_level(run, call.lexer, run.levels[0], true)) return 0;
    trace(r, "Handled kavPrint HEAD\n");
    if (!collect_levels(run, call.lexer)) return 0;
    trace(r, "OUT OF ALL kavPrint\n");
    compile_texts(run);
    int ok;
    if (!run.query.empty()) {
        GroupSink sink(run);
        ok = HandleSql(r, run.query, &sink, r.out);
        Queries(r).current = run.query;
    } else {
        trace(r, "A Pure kavPrint, Call QuerylessOut\n");
        std::vector<std::string> none;
        RowView empty = RowView::Of(none, none);
        ok = group_row(run, empty, empty);
        ok = close_groups(run, empty) && ok;
    }
    discard_levels(run);
    return ok;
}

int KavPrint(TagCall& call) { return RunPrintTag(call, false); }

}  // namespace kavr
