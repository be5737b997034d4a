#include "expr/token_tape.h"

namespace kavr {

void TokenTape::store(const TapeKey& key, TapeRecord record) {
    // A few records per character cover every mode a text is read in.
    const size_t bound = 4 * text_.size() + 4096;
    if (records_.size() >= bound) return;
    records_.emplace(key, std::move(record));
}

}  // namespace kavr
