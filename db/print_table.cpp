#include "db/print_table.h"

#include <cstdio>
#include <cstdlib>

#include "db/print_engine.h"
#include "db/print_include.h"
#include "driver/core/charset.h"
#include "template/tag_attributes.h"
#include "db/query_state.h"
#include "driver/core/log.h"
#include "driver/core/report_error.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "expr/lexer.h"
#include "expr/variables.h"
#include "platform/file.h"
#include "template/body_scanner.h"
#include "template/tag_reading.h"
#include "template/tag_table.h"

namespace kavr {

namespace {

void trace(Request& r, const std::string& text) { WriteLog(r.thread_number, 1, text); }

int table_error(Request& r, const std::string& why) {
    WriteLog(r.thread_number, 3, "Error: " + why + "\n");
    r.out.write("<BR><B>Error: " + why + "</B><BR>\n");
    return 0;
}

int evaluate_int(Request& r, const std::string& item, int& out) {
    std::string value;
    if (!EvaluateItem(r, item, value)) return 0;
    out = atoi(value.c_str());
    return 1;
}

// Text tables pad with spaces; widths, spacing and header lines beyond
// these are taken as these, so a row never grows without bound.
constexpr int kMaxPadWidth = 32767;
constexpr int kMaxSpacing = 1024;

int text_width(const TableColumnSpec& c) { return c.width >= 0 ? c.width : 20; }

size_t capped(int n, int limit) { return static_cast<size_t>(n < 0 ? 0 : n > limit ? limit : n); }

// A column's texts, compiled once its attributes are read.
struct CompiledColumn {
    BoundRowText text, header;
    std::string td, th;  // the cell openings of an HTML table
};

struct TablePrint {
    Request& r;
    bool output;
    TableLayout layout;
    std::vector<std::string> names;
    std::vector<CompiledColumn> compiled;
    std::string line, cell;  // one row being built, one cell of it

    void write(const std::string& text) {
        if (output) r.out.write(text);
    }

    bool any_header() const {
        for (const TableColumnSpec& c : layout.columns)
            if (c.has_header) return true;
        return false;
    }

    void compile() {
        compiled.clear();
        compiled.resize(layout.columns.size());
        for (size_t i = 0; i < layout.columns.size(); ++i) {
            const TableColumnSpec& c = layout.columns[i];
            CompiledColumn& cc = compiled[i];
            if (c.has_text) cc.text = BoundRowText(c.text);
            if (c.has_header) cc.header = BoundRowText(c.header);
            cc.td = HtmlCellOpening(layout, c, "TD");
            cc.th = HtmlCellOpening(layout, c, "TH");
        }
    }

    // One row of cells; cell texts come from cell_text (0 on failure).
    template <typename CellText>
    int row(bool header, CellText cell_text, bool every_cell = false) {
        line.clear();
        if (layout.html) line += "<TR>";
        for (size_t i = 0; i < layout.columns.size(); ++i) {
            const TableColumnSpec& c = layout.columns[i];
            const bool has = every_cell || (header ? c.has_header : c.has_text);
            if (layout.html) line += header ? compiled[i].th : compiled[i].td;
            if (!has) continue;
            if (!cell_text(i, cell)) return 0;
            if (layout.html) {
                line += cell;
                line += header ? "</TH>" : "</TD>";
            } else {
                line += PadCell(cell, text_width(c), c.align);
                line.append(capped(layout.colspacing, kMaxSpacing), ' ');
            }
        }
        if (layout.html) {
            line += "</TR>\n";
        } else if (header) {
            line.append(capped(layout.headerlines, kMaxSpacing), '\n');
        } else {
            line += '\n';
        }
        write(line);
        return 1;
    }

    int expanded_row(bool header, const RowView& view) {
        return row(header, [&](size_t i, std::string& text) {
            CompiledColumn& c = compiled[i];
            return (header ? c.header : c.text).expand(r, view, text);
        });
    }
};

struct TableSink : RowSink {
    TablePrint& t;
    explicit TableSink(TablePrint& p) : t(p) {}
    int begin(Request&, QueryRun& q) override {
        t.names.clear();
        for (const ResultColumn& c : q.result.columns) t.names.push_back(c.name);
        for (CompiledColumn& c : t.compiled) {
            c.text.unbind();
            c.header.unbind();
        }
        t.write(TableOpening(t.layout));
        return 1;
    }
    int row(Request&, QueryRun& q) override {
        RowView view = RowView::Of(t.names, q.result.values);
        if (q.row_count == 1 && t.any_header() && !t.expanded_row(true, view)) return 0;
        return t.expanded_row(false, view);
    }
    int end(Request&, QueryRun&) override {
        t.write(TableClosing(t.layout));
        return 1;
    }
};

int read_column(Request& r, Lexer& lexer, TableLayout& layout) {
    std::vector<TagAttribute> attrs;
    if (!ReadTagAttributes(lexer, {{"width", false}, {"text", false}, {"header", false},
                                     {"align", false}},
                             attrs))
        return 0;
    TableColumnSpec c;
    for (TagAttribute& a : attrs) {
        switch (a.which) {
            case 0:
                if (!evaluate_int(r, a.value, c.width)) return 0;
                break;
            case 1:
                c.text = a.value;
                c.has_text = true;
                break;
            case 2:
                c.header = a.value;
                c.has_header = true;
                break;
            case 3:
                if (!ExpandAttribute(kExpandText, a.value, 1024, r)) return 0;
                c.align = EqualsNoCase(a.value, "right")    ? kAlignRight
                          : EqualsNoCase(a.value, "center") ? kAlignCenter
                                                            : kAlignLeft;
                break;
        }
    }
    if (layout.columns.size() >= kMaxTableColumnsPrinted)
        return table_error(r, "kavprinttable has more than " +
                                  std::to_string(kMaxTableColumnsPrinted) + " columns");
    layout.columns.push_back(std::move(c));
    return 1;
}

// The fields of a delimited file, a row after every as many fields as
// there are columns; a last incomplete row gets empty cells.
int file_table(TablePrint& t, const std::string& name, const std::string& password,
               const std::string& delimiter) {
    if (delimiter.empty() || t.layout.columns.empty()) return 1;
    std::string physical;
    if (!ResolveReadableFile(t.r, name, password, physical)) return 1;
    std::string data;
    if (!platform::read_whole_file(physical, data)) {
        t.r.vars.set("CurFileName__", name);
        ReportError(t.r, "10260", t.r.out);
        return 1;
    }
    std::vector<std::string> fields;
    std::string field;
    for (size_t i = 0; i < data.size();) {
        if (data.compare(i, delimiter.size(), delimiter) == 0) {
            fields.push_back(field);
            field.clear();
            i += delimiter.size();
        } else if (data[i] == '\n') {
            fields.push_back(field);
            field.clear();
            ++i;
        } else {
            if (data[i] != '\r') field += data[i];
            ++i;
        }
    }
    // The end of the file ends the last field, unless a line end already did.
    if (!field.empty() || (!data.empty() && data.back() != '\n' &&
                           data.size() >= delimiter.size() &&
                           data.compare(data.size() - delimiter.size(), delimiter.size(), delimiter) != 0))
        fields.push_back(field);
    t.write(TableOpening(t.layout));
    std::vector<std::string> none;
    if (t.any_header() && !t.expanded_row(true, RowView::Of(none, none))) return 0;
    const size_t n = t.layout.columns.size();
    for (size_t at = 0; at < fields.size(); at += n) {
        t.row(false, [&](size_t i, std::string& text) {
            text = at + i < fields.size() ? fields[at + i] : "";
            return 1;
        }, true);
    }
    t.write(TableClosing(t.layout));
    return 1;
}

}  // namespace

size_t VisibleLength(const std::string& text) {
    size_t length = 0;
    for (size_t i = 0; i < text.size();) {
        if (text[i] == '<' && i + 1 < text.size() &&
            (StartsWithNoCase(std::string_view(text).substr(i + 1), "a ") ||
             StartsWithNoCase(std::string_view(text).substr(i + 1), "a>") ||
             StartsWithNoCase(std::string_view(text).substr(i + 1), "/a>"))) {
            size_t end = text.find('>', i);
            if (end == std::string::npos) break;
            i = end + 1;
            continue;
        }
        ++length;
        i += CharLengthAt(text, i);
    }
    return length;
}

std::string PadCell(const std::string& text, int width, ColumnAlign align) {
    const size_t visible = VisibleLength(text);
    const size_t w = capped(width, kMaxPadWidth);
    const size_t room = visible < w ? w - visible : 0;
    switch (align) {
        case kAlignRight: return std::string(room, ' ') + text;
        case kAlignCenter: {
            std::string side(room / 2, ' ');
            return side + text + side;
        }
        default: return text + std::string(room, ' ');
    }
}

std::string TableOpening(const TableLayout& layout) {
    if (!layout.html) return "<PRE><TT>\n";
    char buf[128];
    bool any_width = false;
    long total = 0;
    for (const TableColumnSpec& c : layout.columns) {
        if (c.width >= 0) any_width = true;
        total += (c.width >= 0 ? c.width : 0) + layout.colspacing;
    }
    if (!layout.columns.empty()) total -= layout.colspacing;
    if (layout.pixels && any_width)
        snprintf(buf, sizeof buf, "<TABLE WIDTH=\"%ld\" CELLSPACING=\"%d\" ", total,
                 layout.colspacing);
    else
        snprintf(buf, sizeof buf, "<TABLE CELLSPACING=\"%d\" ", layout.colspacing);
    std::string opening = buf;
    if (layout.border) opening += " BORDER";
    return opening + ">";
}

std::string TableClosing(const TableLayout& layout) {
    return layout.html ? "</TABLE>" : "</TT></PRE>";
}

std::string HtmlCellOpening(const TableLayout& layout, const TableColumnSpec& c,
                            const char* cell) {
    const char* align = c.align == kAlignRight    ? "RIGHT"
                        : c.align == kAlignCenter ? "MIDDLE"
                                                  : "LEFT";
    char buf[96];
    if (c.width >= 0)
        snprintf(buf, sizeof buf, "<%s WIDTH=%d%s ALIGN=%s>", cell, c.width,
                 layout.pixels ? "" : "%", align);
    else
        snprintf(buf, sizeof buf, "<%s ALIGN=%s>", cell, align);
    return buf;
}

int KavPrintTable(TagCall& call) {
    Request& r = call.request;
    TablePrint t{r, call.output, {}, {}, {}, {}, {}};
    std::vector<TagAttribute> attrs;
    if (!ReadTagAttributes(call.lexer,
                             {{"query", false}, {"maxrows", false}, {"colspacing", false},
                              {"headerlines", false}, {"htmltable", true}, {"border", true},
                              {"colheaders", true}, {"widthstyle", false}, {"File", false},
                              {"password", false}, {"delimiter", false}},
                             attrs))
        return 0;
    std::string query, file, password, delimiter, style;
    for (TagAttribute& a : attrs) {
        switch (a.which) {
            case 0:
            case 8:
            case 9:
            case 10: {
                if (!ExpandAttribute(kExpandText, a.value, 1024, r)) return 0;
                std::string* target = a.which == 0 ? &query : a.which == 8 ? &file
                                      : a.which == 9 ? &password : &delimiter;
                const size_t keep = a.which == 0 ? 99 : a.which == 10 ? 511 : 255;
                *target = std::string(CutView(a.value, keep));
                break;
            }
            case 1: {
                int maxrows = -1;
                if (!evaluate_int(r, a.value, maxrows)) return 0;
                Queries(r).print.maxrows = maxrows;
                break;
            }
            case 2:
                if (!evaluate_int(r, a.value, t.layout.colspacing)) return 0;
                break;
            case 3:
                if (!evaluate_int(r, a.value, t.layout.headerlines)) return 0;
                break;
            case 4: t.layout.html = true; break;
            case 5: t.layout.border = true; break;
            case 6: break;
            case 7:
                if (!EvaluateItem(r, a.value, style)) return 0;
                t.layout.pixels = EqualsNoCase(style, "pixel");
                break;
        }
    }
    // The body: columns in order; any other text is ignored.
    TagEvent ev;
    bool closed = false;
    while (NextTagEvent(call.lexer, ev)) {
        if (ev.closing && EqualsNoCase(ev.name, "kavprinttable")) {
            SkipTagEnd(call.lexer);
            closed = true;
            break;
        }
        if (!ev.closing && EqualsNoCase(ev.name, "kavprinttablecol") &&
            !read_column(r, call.lexer, t.layout))
            return 0;
    }
    if (!closed) return table_error(r, "kavprinttable without its closing tag");
    t.compile();
    if (!query.empty()) {
        TableSink sink(t);
        return HandleSql(r, query, &sink, r.out);
    }
    if (!file.empty()) {
        trace(r, "A File kavPrintTable, Call TablefileOut\n");
        return file_table(t, file, password, delimiter);
    }
    return 1;
}

}  // namespace kavr
