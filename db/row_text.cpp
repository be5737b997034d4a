#include "db/row_text.h"

#include "driver/core/charset.h"
#include "driver/core/request.h"
#include "driver/core/text_cache.h"
#include "driver/core/text_util.h"
#include "expr/evaluator.h"
#include "expr/functions.h"
#include "expr/lexer.h"
#include "expr/text_pieces.h"
#include "template/interpreter.h"

namespace kavr {

namespace {

RowText compile(std::string_view text) {
    RowText t;
    t.text.assign(text);
    t.has_tags = FindNoCase(text, "<kav") != std::string_view::npos;
    if (!t.has_tags) t.split = SplitRowText(text);
    return t;
}

// Replaces each reference by its value against the row; a piece with a
// column (columns may be null: none) takes that column's text. In the text
// around them "##" stands for "#" and a doubled quote mark for one; values
// are taken as they are. The result keeps at most kLevelTextChars.
int expand_pieces(Request& r, const SplitText& split, const int* columns, const RowView& row,
                  std::string& out) {
    // The columns a lookup of the row sees (RowView::find).
    size_t seen = 0;
    if (row.names && row.values && row.count > 0) {
        seen = static_cast<size_t>(row.count);
        if (seen > row.names->size()) seen = row.names->size();
        if (seen > row.values->size()) seen = row.values->size();
    }
    CappedText work(kLevelTextChars, std::move(out));
    std::string value;
    int ok = 1;
    for (size_t i = 0; ok && i < split.pieces.size(); ++i) {
        const TextPiece& piece = split.pieces[i];
        if (!piece.reference) {
            work.append(piece.text);
            continue;
        }
        const int c = columns ? columns[i] : -1;
        if (c >= 0 && static_cast<size_t>(c) < seen) {
            std::string_view v;
            ok = ComputeColumnReference(piece.text, piece.operand, (*row.values)[c], kValueSize, r, row, v) == 1;
            work.append(v);
            continue;
        }
        ok = compute_exp(piece.text, value, kValueSize, r, row) == 1;
        work.append(value);
    }
    out = work.take();
    return ok;
}

int expand_once(Request& r, std::string& text, const RowView& row) {
    std::string out;
    if (!expand_pieces(r, *SplitRowText(text), nullptr, row, out)) return 0;
    text = std::move(out);
    return 1;
}

// Tags in the text run first, seeing the row; what they leave is expanded
// after, so no value from the row is ever read as a tag.
int expand_tagged(Request& r, std::string& text, const RowView& row) {
    const RowView* outer = SetAmbientRow(&row);
    ResponseStream page = std::move(r.out);
    r.out = ResponseStream();
    r.out.set_buffered(true);
    // The interpreter writes white space only before a token; a mark at
    // the end keeps the text's trailing white space, and is removed.
    static const char kEndMark[] = "\x01";
    Lexer lexer(text + kEndMark, kRefHashIsChar);
    int rc = Interpret(lexer, r, true);
    std::string produced;
    for (const std::string& block : r.out.blocks()) produced += block;
    if (!produced.empty() && produced.back() == kEndMark[0]) produced.pop_back();
    r.out = std::move(page);
    SetAmbientRow(outer);
    if (rc == 0) {
        // What came before the failure (and its error block) still shows.
        std::string shown = produced;
        r.out.write(expand_once(r, shown, row) ? shown : produced);
        return 0;
    }
    text = std::move(produced);
    return expand_once(r, text, row);
}

}  // namespace

std::shared_ptr<const RowText> CompileRowText(std::string_view text) {
    static TextCache<RowText> cache(compile, 4096, 4u << 20);
    return cache.get(text);
}

void BoundRowText::bind(const RowView& row) {
    bound_ = true;
    names_ = row.names;
    columns_.assign(text_->split->pieces.size(), -1);
    // A view without columns looks into the ambient row instead.
    if (!row.names) return;
    for (size_t i = 0; i < columns_.size(); ++i) {
        const std::string& name = text_->split->pieces[i].name;
        // A function of that name is called, whatever the row holds.
        if (name.empty() || IsFunctionName(name)) continue;
        for (size_t c = 0; c < row.names->size(); ++c)
            if (EqualsNoCase((*row.names)[c], name)) {
                columns_[i] = static_cast<int>(c);
                break;
            }
    }
}

int BoundRowText::expand(Request& r, const RowView& row, std::string& out) {
    if (!text_) {
        out.clear();
        return 1;
    }
    if (text_->has_tags) {
        out = text_->text;
        return expand_tagged(r, out, row);
    }
    if (!bound_ || names_ != row.names) bind(row);
    return expand_pieces(r, *text_->split, columns_.data(), row, out);
}

int ExpandRowText(Request& r, std::string& text, const RowView& row) {
    BoundRowText compiled(text);
    std::string out;
    if (!compiled.expand(r, row, out)) return 0;
    text = std::move(out);
    return 1;
}

}  // namespace kavr
