// The token tape of a text that is read many times (a template and the
// bodies of its loops and branches): what each read of the lexer gave at a
// position, recorded the first time and replayed after that. A read is a
// function of the text, the position, the limit and the lexer's switches,
// so a replay gives exactly what reading the text again would give. The
// tape holds nothing of a request and is shared between requests.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

namespace kavr {

// What a read leaves in the lexer besides its result: the position, the
// white space before the last token and where that token lay (for PushBack).
struct LexState {
    size_t pos = 0;
    std::string whitespace;
    size_t last_ws_start = 0, last_token_start = 0, last_token_end = 0;
    std::string last_token;
};

// The reads that are recorded. Readers above the lexer (the body scanner,
// tag handlers) record their own results under their own numbers.
enum TapeOp : uint32_t {
    kTapeNextToken = 1,
    kTapeReadItem,
    kTapeReadSignedItem,
    kTapeScanBody,
    kTapeScanIfThen,
    kTapeScanIfElse,
    kTapeNextTagEvent,
    kTapeTagReading = 0x100,  // and up: one number per tag that reads itself once
};

struct TapeKey {
    size_t pos;
    size_t limit;
    uint32_t op;     // a TapeOp
    uint32_t flags;  // reference mode and switches of the read
    bool operator==(const TapeKey& o) const {
        return pos == o.pos && limit == o.limit && op == o.op && flags == o.flags;
    }
};

struct TapeKeyHash {
    size_t operator()(const TapeKey& k) const {
        uint64_t h = k.pos * 0x9E3779B97F4A7C15ull;
        h ^= (k.limit + (static_cast<uint64_t>(k.op) << 40) + k.flags) * 0xC2B2AE3D27D4EB4Full;
        return static_cast<size_t>(h ^ (h >> 29));
    }
};

struct TapeRecord {
    int result = 0;       // the token class, or the reader's return value
    std::string text;     // the token or item read (a reader's name for its own use)
    LexState after;       // the lexer's state after the read
    size_t a = 0, b = 0, c = 0;  // positions a reader found
    std::shared_ptr<const void> compiled;  // what a reader compiled from the text there
};

// Room for what the interpreter keeps about the text (its steps); the
// interpreter defines it, the tape only owns it.
struct TapeExtension {
    virtual ~TapeExtension() = default;
};

class TokenTape {
public:
    explicit TokenTape(std::string text) : text_(std::move(text)) {}
    TokenTape(const TokenTape&) = delete;
    TokenTape& operator=(const TokenTape&) = delete;

    const std::string& text() const { return text_; }

    // The record of an earlier read, or null.
    const TapeRecord* find(const TapeKey& key) const {
        auto it = records_.find(key);
        return it == records_.end() ? nullptr : &it->second;
    }
    // Keeps a record; beyond a bound proportional to the text, reads are
    // simply done again instead of being recorded.
    void store(const TapeKey& key, TapeRecord record);

    std::unique_ptr<TapeExtension>& extension() { return extension_; }

private:
    std::string text_;
    std::unordered_map<TapeKey, TapeRecord, TapeKeyHash> records_;
    std::unique_ptr<TapeExtension> extension_;
};

}  // namespace kavr
