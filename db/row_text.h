// Texts printed against query rows: a print level's header, footer and
// group field, a table's cells. Each text is compiled once per process
// (cached by its exact text) into literal pieces and references. In the
// rows of one query a reference that is a lone column name is bound to its
// column at the first row, so every later row takes the column's text
// directly; the page and the log read exactly as if every reference were
// evaluated afresh.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "expr/eval_context.h"

namespace kavr {

struct Request;
struct SplitText;

// Level texts (headers, footers) hold at most this many characters, and
// an expanded row text is cut to as many.
constexpr size_t kLevelTextChars = 16383;

struct RowText {
    std::string text;
    // Tags in the text (kavif, kavset, ...) run at every row, seeing it,
    // before the references that they leave are expanded.
    bool has_tags = false;
    std::shared_ptr<const SplitText> split;  // the pieces of a text without tags
};

std::shared_ptr<const RowText> CompileRowText(std::string_view text);

// A compiled row text with the columns its name references stand for.
class BoundRowText {
public:
    BoundRowText() = default;
    explicit BoundRowText(std::string_view text) : text_(CompileRowText(text)) {}

    bool empty() const { return !text_ || text_->text.empty(); }
    // The next rows come with other columns (another query's).
    void unbind() { bound_ = false; }
    // The text expanded against row into out (what out held is dropped,
    // its memory reused). 0 when a reference cannot be evaluated (reported
    // where it failed); out then holds no complete text.
    int expand(Request& request, const RowView& row, std::string& out);

private:
    void bind(const RowView& row);

    std::shared_ptr<const RowText> text_;
    bool bound_ = false;
    const std::vector<std::string>* names_ = nullptr;  // the columns bound to
    std::vector<int> columns_;  // per piece: the column of a name reference, or -1
};

// Expands a level or column text against a row once (references see the
// row's columns by name). 0 when a reference cannot be evaluated; text is
// then left as it was.
int ExpandRowText(Request& request, std::string& text, const RowView& row);

}  // namespace kavr
