// A forward-only source of request body bytes. The program reads standard
// input through it; tests feed strings or generated streams. Bytes are
// pulled in small chunks, so nothing is ever held beyond one chunk.
#pragma once
#include <cstddef>
#include <string_view>

namespace kavr {

class ByteSource {
public:
    virtual ~ByteSource() = default;

    // The next byte (0..255), or -1 once the input has ended.
    int Get() {
        if (pos_ == len_ && !refill()) return -1;
        return static_cast<unsigned char>(buf_[pos_++]);
    }
    // Up to size bytes into out; 0 once the input has ended.
    size_t Read(char* out, size_t size);

protected:
    // Supplies up to size more bytes; 0 means the input has ended.
    virtual size_t Fill(char* buf, size_t size) = 0;

private:
    bool refill();

    static constexpr size_t kChunk = 16384;
    char buf_[kChunk];
    size_t pos_ = 0, len_ = 0;
    bool ended_ = false;
};

// Standard input of the process. The system makes no difference between
// text and binary reads, so one source serves every body type.
class StdinSource : public ByteSource {
protected:
    size_t Fill(char* buf, size_t size) override;
};

// A text in memory (not copied: it must outlive the source).
class StringSource : public ByteSource {
public:
    explicit StringSource(std::string_view text) : text_(text) {}

protected:
    size_t Fill(char* buf, size_t size) override;

private:
    std::string_view text_;
};

}  // namespace kavr
