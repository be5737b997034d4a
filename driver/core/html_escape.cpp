#include <cstdio>

#include "driver/core/charset.h"
#include "driver/core/text_util.h"

namespace kavr {

namespace {

// Values of 160 to 255 written as "&#nnn;".
bool is_entity_value(uint32_t v) {
    return (v >= 224 && v <= 255) || (v >= 180 && v <= 220) || v == 160 || v == 161 || v == 163 ||
           v == 165 || v == 169;
}

// The escaped form of one byte or code point below 256; false when the
// value is copied as it is.
bool escape_value(uint32_t v, std::string& piece) {
    switch (v) {
        case '<': piece = "&lt;"; return true;
        case '>': piece = "&gt;"; return true;
        case '"': piece = "&quot;"; return true;
        case '&': piece = "&amp;"; return true;
        case '`': piece = "&#96;"; return true;
        case '\r': piece.clear(); return true;
        default: break;
    }
    if (!is_entity_value(v)) return false;
    char buf[16];
    std::snprintf(buf, sizeof buf, "&#%3u;", static_cast<unsigned>(v));
    piece = buf;
    return true;
}

}  // namespace

std::string HtmlEscape(std::string_view text, size_t limit) {
    const bool utf8 = Utf8Site();
    std::string out, piece;
    out.reserve(text.size() < limit ? text.size() : limit);
    for (size_t at = 0; at < text.size();) {
        uint32_t v = static_cast<unsigned char>(text[at]);
        size_t len = utf8 ? Utf8SequenceAt(text, at, &v) : 0;
        if (len == 0) len = 1;
        std::string_view whole = text.substr(at, len);
        std::string_view written = escape_value(v, piece) ? std::string_view(piece) : whole;
        if (written.size() > limit - out.size()) break;
        out += written;
        at += len;
    }
    return out;
}

}  // namespace kavr
