#include "mail/data_filter.h"

namespace kavr {

namespace {

const char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int kBase64LineLength = 76;

}  // namespace

void DataFilter::feed(std::string_view block, std::string& out) {
    out.reserve(out.size() + block.size() + block.size() / 16 + 4);
    for (char c : block) {
        if (pending_cr_) {
            pending_cr_ = false;
            out += "\r\n";
            line_start_ = true;
            if (c == '\n') continue;
        }
        if (c == '\r') {
            pending_cr_ = true;
            continue;
        }
        if (c == '\n') {
            out += "\r\n";
            line_start_ = true;
            continue;
        }
        if (c == '\0') continue;
        if (line_start_ && c == '.') out += '.';
        line_start_ = false;
        out += c;
    }
}

void DataFilter::finish(std::string& out) {
    if (pending_cr_) {
        out += "\r\n";
        line_start_ = true;
    }
    pending_cr_ = false;
}

void Base64Lines::put_char(char c, std::string& out) {
    out += c;
    if (++line_length_ == kBase64LineLength) {
        out += "\r\n";
        line_length_ = 0;
    }
}

void Base64Lines::feed(std::string_view block, std::string& out) {
    for (char c : block) {
        held_[held_count_++] = static_cast<unsigned char>(c);
        if (held_count_ < 3) continue;
        unsigned v = unsigned(held_[0]) << 16 | unsigned(held_[1]) << 8 | unsigned(held_[2]);
        put_char(kBase64Alphabet[(v >> 18) & 63], out);
        put_char(kBase64Alphabet[(v >> 12) & 63], out);
        put_char(kBase64Alphabet[(v >> 6) & 63], out);
        put_char(kBase64Alphabet[v & 63], out);
        held_count_ = 0;
    }
}

void Base64Lines::finish(std::string& out) {
    if (held_count_ > 0) {
        unsigned v = unsigned(held_[0]) << 16;
        if (held_count_ > 1) v |= unsigned(held_[1]) << 8;
        put_char(kBase64Alphabet[(v >> 18) & 63], out);
        put_char(kBase64Alphabet[(v >> 12) & 63], out);
        put_char(held_count_ > 1 ? kBase64Alphabet[(v >> 6) & 63] : '=', out);
        put_char('=', out);
        held_count_ = 0;
    }
    if (line_length_ > 0) out += "\r\n";
    line_length_ = 0;
}

}  // namespace kavr
