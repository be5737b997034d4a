// kavprinttable and its kavprinttablecol columns: query rows or the
// fields of a delimited file as a padded text table or an HTML table.
#pragma once
#include <string>
#include <vector>

namespace kavr {

struct TagCall;

enum ColumnAlign { kAlignLeft = -1, kAlignCenter = 0, kAlignRight = 1 };

struct TableColumnSpec {
    int width = -1;  // -1 when not given
    std::string text, header;
    bool has_text = false, has_header = false;
    ColumnAlign align = kAlignLeft;
};

struct TableLayout {
    int colspacing = 2;
    int headerlines = 2;
    bool html = false;
    bool border = false;
    bool pixels = false;
    std::vector<TableColumnSpec> columns;
};

constexpr size_t kMaxTableColumnsPrinted = 512;

// Length of a text without the markup of anchors ("<a ...>" and "</a>").
size_t VisibleLength(const std::string& text);
// A text padded to width by its alignment (text style); longer texts stay whole.
std::string PadCell(const std::string& text, int width, ColumnAlign align);
std::string TableOpening(const TableLayout& layout);
std::string TableClosing(const TableLayout& layout);
// Cell opening of an HTML table ("TH" or "TD").
std::string HtmlCellOpening(const TableLayout& layout, const TableColumnSpec& column,
                            const char* cell);

int KavPrintTable(TagCall& call);

}  // namespace kavr
