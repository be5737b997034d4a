// A forward-only source of request body bytes. The program reads standard
// input through it; tests feed strings or generated streams. Bytes are
// pulled in chunks, so nothing is ever held beyond one chunk.
#pragma once
#include <cstddef>
#include <memory>
#include <string_view>

namespace kavr {

class ByteSource {
public:
    virtual ~ByteSource() = default;

    // The next byte (0..255), or -1 once the input has ended.
    int Get() {
        if (pos_ == len_ && !refill()) return -1;
        return static_cast<unsigned char>(data_[pos_++]);
    }
    // Up to size bytes into out; 0 once the input has ended.
    size_t Read(char* out, size_t size);
    // The bytes that have come and not been taken yet (more are pulled
    // when there are none); empty once the input has ended. Skip(n) takes
    // the first n of them.
    std::string_view Buffered() {
        if (pos_ == len_ && !refill()) return {};
        return std::string_view(data_ + pos_, len_ - pos_);
    }
    void Skip(size_t n) { pos_ += n < len_ - pos_ ? n : len_ - pos_; }

    // True once the input ended before the bytes it was to deliver had
    // all come (it ended early, or nothing more came in time).
    virtual bool CutShort() const { return false; }

    // The most bytes one chunk holds.
    static constexpr size_t kChunk = 65536;

protected:
    // Supplies up to size more bytes into buf; 0 means the input has ended.
    // A source that overrides Next instead never fills.
    virtual size_t Fill(char*, size_t) { return 0; }
    // The next bytes, valid until the next call: by default what Fill puts
    // into the source's own buffer. Empty means the input has ended.
    virtual std::string_view Next();

private:
    bool refill();

    std::unique_ptr<char[]> buf_;  // made at the first Fill
    const char* data_ = nullptr;
    size_t pos_ = 0, len_ = 0;
    bool ended_ = false;
};

// At most length bytes of standard input: no byte beyond them is taken
// from it, so whatever the web server sends after the body stays unread.
// The system makes no difference between text and binary reads, so one
// source serves every body type. When no byte arrives for timeout_ms
// (negative: no limit) the input counts as ended, and timed_out() says so.
class StdinSource : public ByteSource {
public:
    StdinSource(long timeout_ms, unsigned long length) : timeout_ms_(timeout_ms), left_(length) {}
    bool timed_out() const { return timed_out_; }

protected:
    size_t Fill(char* buf, size_t size) override;

private:
    long timeout_ms_;
    unsigned long left_;
    bool timed_out_ = false;
};

// The first length bytes of another source, never one more: a body is
// exactly CONTENT_LENGTH bytes, whatever follows it. When the other source
// ends before them, CutShort() is true. The bytes are read where the other
// source holds them, never copied.
class LimitedSource : public ByteSource {
public:
    LimitedSource(ByteSource& inner, unsigned long length) : inner_(inner), left_(length) {}
    bool CutShort() const override { return cut_short_; }

protected:
    std::string_view Next() override;

private:
    ByteSource& inner_;
    unsigned long left_;
    bool cut_short_ = false;
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
