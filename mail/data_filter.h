// Text on its way into an SMTP DATA section. Every line end leaves as CRLF
// (a lone LF or a lone CR becomes CRLF), a line that starts with "." gets a
// second "." so that no line of the text can end the data early, and zero
// bytes, which mail text may not carry, are dropped. Works on a stream of
// blocks: a CR at the end of one block is paired with an LF that opens the
// next.
#pragma once
#include <string>
#include <string_view>

namespace kavr {

class DataFilter {
public:
    // Appends the transformed block to out.
    void feed(std::string_view block, std::string& out);
    // Flushes a CR held back at the end of the text.
    void finish(std::string& out);

private:
    bool line_start_ = true;
    bool pending_cr_ = false;
};

// Base64 of the bytes, in lines of 76 characters each ended by CRLF, fed in
// blocks of any size.
class Base64Lines {
public:
    void feed(std::string_view block, std::string& out);
    void finish(std::string& out);

private:
    void put_char(char c, std::string& out);
    unsigned char held_[3] = {0, 0, 0};
    int held_count_ = 0;
    int line_length_ = 0;
};

}  // namespace kavr
