#include "template/text_steps.h"

#include <algorithm>
#include <unordered_map>

#include "driver/core/text_util.h"
#include "expr/lexer.h"
#include "expr/plain_scan.h"
#include "template/tag_table.h"

namespace kavr {

namespace {

void add_text(TextStep& st, size_t begin, size_t size) {
    if (!size) return;
    if (!st.copy.empty() && !st.copy.back().owned && st.copy.back().begin + st.copy.back().size == begin) {
        st.copy.back().size += size;
        return;
    }
    st.copy.push_back(TextStep::Piece{false, begin, size});
}

void add_own(TextStep& st, std::string_view text) {
    if (text.empty()) return;
    if (!st.copy.empty() && st.copy.back().owned) {
        st.copy.back().size += text.size();
    } else {
        st.copy.push_back(TextStep::Piece{true, st.own.size(), text.size()});
    }
    st.own += text;
}

void finish(Lexer& lexer, TextStep& st, TextStep::Kind kind) {
    st.kind = kind;
    lexer.save_state(st.after);
}

// Reads one step. Text that reads as written (no run of white space or of
// a token near the lexer's limits, no "<" that could start a tag of the
// table) is copied as it stands; the rest is read token by token.
void build(Lexer& lexer, TextStep& st) {
    const std::string& src = lexer.text();
    const size_t end = std::min(lexer.limit(), src.size());
    std::string plain, token, name, closing;
    for (;;) {
        const size_t from = lexer.position();
        RunWatch watch;
        size_t lt = ScanToTag(src.data(), from, end, watch,
                              [&](size_t at) { return IsOrdinaryTag(src.data(), at, end); });
        if (watch.clean && lt == end) {
            // The white space at the end goes with the end of the text.
            add_text(st, from, end - from - TrailingWhitespace(src.data(), from, end));
            lexer.set_position(end);
            return finish(lexer, st, TextStep::kEndOfText);
        }
        if (watch.clean) {
            add_text(st, from, lt - from);
            lexer.set_position(lt);
        } else {
            lexer.ReadPlainText(plain);
            add_own(st, plain);
        }
        if (lexer.NextToken(token) == kTokEnd) return finish(lexer, st, TextStep::kEndOfText);
        add_own(st, lexer.whitespace());
        const size_t tag_start = lexer.position() - 1;
        if (lexer.NextToken(name) == kTokEnd) return finish(lexer, st, TextStep::kCutOff);
        if (StartsWithNoCase(name, "kav")) {
            if (const TagEntry* row = FindTag(name)) {
                st.row = row;
                st.name = name;
                st.tag_start = tag_start;
                return finish(lexer, st, TextStep::kTag);
            }
            add_own(st, "<" + lexer.whitespace() + name);
        } else if (name == "/") {
            std::string kept = lexer.whitespace();
            if (lexer.NextToken(closing) == kTokEnd) return finish(lexer, st, TextStep::kCutOff);
            const TagEntry* row = StartsWithNoCase(closing, "kav") ? FindTag("/" + closing) : nullptr;
            if (row) {
                st.row = row;
                st.name = closing;
                return finish(lexer, st, TextStep::kClosingTag);
            }
            add_own(st, "<" + kept + "/" + lexer.whitespace() + closing);
        } else {
            add_own(st, "<" + lexer.whitespace() + name);
        }
    }
}

struct StepKey {
    size_t pos, limit;
    bool operator==(const StepKey& o) const { return pos == o.pos && limit == o.limit; }
};

struct StepKeyHash {
    size_t operator()(const StepKey& k) const {
        return static_cast<size_t>((k.pos * 0x9E3779B97F4A7C15ull) ^ (k.limit * 0xC2B2AE3D27D4EB4Full));
    }
};

// The steps kept with a tape, for the tag table they were found in.
struct StepTable : TapeExtension {
    unsigned version = 0;
    std::unordered_map<StepKey, TextStep, StepKeyHash> steps;
};

StepTable& table_of(TokenTape& tape) {
    std::unique_ptr<TapeExtension>& slot = tape.extension();
    if (!slot) slot = std::make_unique<StepTable>();
    auto& t = static_cast<StepTable&>(*slot);  // only this file fills the slot
    if (t.version != TagTableVersion()) {
        t.steps.clear();
        t.version = TagTableVersion();
    }
    return t;
}

}  // namespace

void KeepWholeTextStep(TokenTape& tape) {
    // What build gives for the whole text read from its start by a new
    // lexer: the text in one piece, the lexer at its end.
    TextStep st;
    add_text(st, 0, tape.text().size());
    st.kind = TextStep::kEndOfText;
    st.after.pos = tape.text().size();
    st.after.last_token_end = static_cast<size_t>(-1);
    table_of(tape).steps.insert_or_assign(StepKey{0, std::string::npos}, std::move(st));
}

const TextStep& StepAt(Lexer& lexer, TextStep& scratch) {
    lexer.set_reference_mode(kRefHashIsChar);
    TokenTape* tape = lexer.tape();
    if (!tape) {
        scratch = TextStep();
        build(lexer, scratch);
        return scratch;
    }
    StepTable& table = table_of(*tape);
    const StepKey key{lexer.position(), lexer.limit()};
    auto it = table.steps.find(key);
    if (it == table.steps.end()) {
        // The step's own reads are not worth keeping: only the step is.
        TextStep st;
        lexer.set_recording(false);
        build(lexer, st);
        lexer.set_recording(true);
        if (table.steps.size() > tape->text().size() + 1024) {
            scratch = std::move(st);
            return scratch;
        }
        it = table.steps.emplace(key, std::move(st)).first;
    }
    lexer.restore_state(it->second.after);
    return it->second;
}

}  // namespace kavr
