#include "driver/core/charset.h"

#include "driver/core/config.h"

namespace kavr {

bool Utf8Site() { return g_config.utf8; }

size_t Utf8SequenceAt(std::string_view text, size_t at, uint32_t* code_point) {
    unsigned char lead = static_cast<unsigned char>(text[at]);
    size_t len;
    uint32_t cp, min;
    if (lead >= 0xC2 && lead <= 0xDF) {
        len = 2, cp = lead & 0x1Fu, min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        len = 3, cp = lead & 0x0Fu, min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        len = 4, cp = lead & 0x07u, min = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - at < len) return 0;
    for (size_t i = 1; i < len; ++i) {
        unsigned char c = static_cast<unsigned char>(text[at + i]);
        if ((c & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (c & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    if (code_point) *code_point = cp;
    return len;
}

size_t CharLengthAt(std::string_view text, size_t at) {
    if (!Utf8Site()) return 1;
    size_t n = Utf8SequenceAt(text, at);
    return n ? n : 1;
}

size_t CharCount(std::string_view text) {
    if (!Utf8Site()) return text.size();
    size_t n = 0;
    for (size_t at = 0; at < text.size(); at += CharLengthAt(text, at)) ++n;
    return n;
}

size_t CharOffset(std::string_view text, size_t n) {
    if (!Utf8Site()) return n < text.size() ? n : text.size();
    size_t at = 0;
    for (; at < text.size() && n > 0; --n) at += CharLengthAt(text, at);
    return at;
}

size_t CutPoint(std::string_view text, size_t max_bytes) {
    if (text.size() <= max_bytes) return text.size();
    if (!Utf8Site()) return max_bytes;
    // Only the last three bytes before the cut can start a sequence that
    // the cut would split.
    for (size_t back = 1; back <= 3 && back <= max_bytes; ++back) {
        size_t start = max_bytes - back;
        size_t len = Utf8SequenceAt(text, start);
        if (len > back) return start;
        if (len) break;
    }
    return max_bytes;
}

void CutText(std::string& text, size_t max_bytes) {
    if (text.size() > max_bytes) text.resize(CutPoint(text, max_bytes));
}

void DropIncompleteTail(std::string& text) {
    if (!Utf8Site()) return;
    for (size_t back = 1; back <= 3 && back <= text.size(); ++back) {
        size_t at = text.size() - back;
        unsigned char c = static_cast<unsigned char>(text[at]);
        if ((c & 0xC0) == 0x80) continue;  // a continuation byte: look further back
        size_t need = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
        if (need > back) text.resize(at);
        return;
    }
}

void CappedText::append_at_cap(std::string_view piece) {
    if (full_) return;
    size_t room = cap_ - text_.size();
    // The bytes just past the cap tell whether it splits a character.
    text_ += piece.substr(0, room + 3);
    text_.resize(CutPoint(text_, cap_));
    full_ = true;
}

std::string EncodeUtf8(uint32_t cp) {
    std::string out;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        if (cp >= 0xD800 && cp <= 0xDFFF) return out;
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp <= 0x10FFFF) {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

}  // namespace kavr
