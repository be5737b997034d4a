// Small readers shared by the tag handlers.
#pragma once
#include <memory>
#include <string>

#include "expr/lexer.h"

namespace kavr {

class Lexer;
struct Request;

// Conditions, bounds and case values are evaluated into buffers of this
// size (values cut to 1023 characters).
constexpr size_t kConditionSize = 1024;

// Evaluates an expression item with compute_exp; 1 on success, 0 when the
// evaluation failed (already reported).
int EvaluateItem(Request& request, const std::string& item, std::string& value,
                 size_t size = kConditionSize);

// Reads the token that ends a tag (taken as its ">", not checked).
void SkipTagEnd(Lexer& lexer);

// A tag's own reading of what follows its name, done once per position of
// the lexer's tape: read() reads from the lexer and returns what it made
// of the tag (never null); later runs at the same position get that and
// the lexer's state after the read. Without a tape, read() runs each time.
// op is the tag's own number (kTapeTagReading and up).
template <typename Compiled, typename Read>
std::shared_ptr<const Compiled> ReadTagOnce(Lexer& lexer, uint32_t op, Read read) {
    TokenTape* tape = lexer.tape();
    if (!tape) return read();
    TapeKey key = lexer.tape_key(op);
    if (const TapeRecord* rec = tape->find(key)) {
        lexer.replay_state(rec->after);
        return std::static_pointer_cast<const Compiled>(rec->compiled);
    }
    std::shared_ptr<const Compiled> compiled = read();
    TapeRecord rec;
    rec.compiled = compiled;
    lexer.save_state(rec.after);
    tape->store(key, std::move(rec));
    return compiled;
}

}  // namespace kavr
