// The site's character set: "utf-8" (the default) makes the string
// functions count characters, the HTML escaping write whole characters and
// every fixed cut stop at a character boundary; any other value keeps the
// byte behaviour of a single-byte character set.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kavr {

// True unless the configuration names a single-byte character set.
bool Utf8Site();

// The length (2 to 4) of the valid multi-byte UTF-8 sequence that starts at
// text[at], with its code point in *code_point; 0 when the byte there is
// ASCII or does not start a valid sequence (overlong forms, surrogates and
// values above U+10FFFF are not valid).
size_t Utf8SequenceAt(std::string_view text, size_t at, uint32_t* code_point = nullptr);

// The bytes of the character at text[at] (at < text.size()): the whole valid
// sequence on a utf-8 site, else one byte. A byte that is not part of a
// valid sequence is a character of its own.
size_t CharLengthAt(std::string_view text, size_t at);

// The number of characters of text.
size_t CharCount(std::string_view text);

// The byte offset of character n (0-based); text.size() when text has no
// more than n characters.
size_t CharOffset(std::string_view text, size_t n);

// The largest length, at most max_bytes, at which text can be cut without
// leaving part of a character behind.
size_t CutPoint(std::string_view text, size_t max_bytes);

// text cut to at most max_bytes at a character boundary.
void CutText(std::string& text, size_t max_bytes);
inline std::string_view CutView(std::string_view text, size_t max_bytes) {
    return text.size() <= max_bytes ? text : text.substr(0, CutPoint(text, max_bytes));
}

// The value of a size-bounded buffer: at most size - 1 bytes, cut at a
// character boundary.
inline void CutToSize(std::string& text, size_t size) { CutText(text, size ? size - 1 : 0); }

// On a utf-8 site, removes the first bytes of a valid sequence that text
// ends with before the rest of it (a text that was cut short while the
// bytes were read one at a time).
void DropIncompleteTail(std::string& text);

// A text built from pieces and kept to at most cap bytes: what does not fit
// is dropped, and on a utf-8 site the text ends before a character that
// would not fit whole (whichever pieces its bytes came in).
class CappedText {
public:
    explicit CappedText(size_t cap) : cap_(cap) {}
    // Builds the text in storage, emptied first (its memory is reused).
    CappedText(size_t cap, std::string&& storage) : text_(std::move(storage)), cap_(cap) { text_.clear(); }
    void append(std::string_view piece) {
        if (!full_ && piece.size() <= cap_ - text_.size())
            text_.append(piece.data(), piece.size());
        else
            append_at_cap(piece);
    }
    bool full() const { return full_; }
    std::string take() { return std::move(text_); }

private:
    void append_at_cap(std::string_view piece);

    std::string text_;
    size_t cap_;
    bool full_ = false;
};

// The UTF-8 bytes of a code point (empty above U+10FFFF or for a surrogate).
std::string EncodeUtf8(uint32_t code_point);

}  // namespace kavr
