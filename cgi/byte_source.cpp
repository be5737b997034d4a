#include "cgi/byte_source.h"

#include <cstring>

#include "platform/std_streams.h"

namespace kavr {

std::string_view ByteSource::Next() {
    if (!buf_) buf_.reset(new char[kChunk]);
    return std::string_view(buf_.get(), Fill(buf_.get(), kChunk));
}

bool ByteSource::refill() {
    if (ended_) return false;
    std::string_view next = Next();
    data_ = next.data();
    pos_ = 0;
    len_ = next.size();
    if (len_ == 0) ended_ = true;  // an ended input stays ended
    return len_ != 0;
}

size_t ByteSource::Read(char* out, size_t size) {
    size_t done = 0;
    while (done < size) {
        if (pos_ == len_ && !refill()) break;
        size_t n = len_ - pos_;
        if (n > size - done) n = size - done;
        std::memcpy(out + done, data_ + pos_, n);
        pos_ += n;
        done += n;
    }
    return done;
}

size_t StdinSource::Fill(char* buf, size_t size) {
    if (left_ < size) size = static_cast<size_t>(left_);
    if (size == 0) return 0;
    size_t n = 0;
    platform::InputStatus status = platform::stdin_read_some(buf, size, timeout_ms_, n);
    if (status == platform::InputStatus::kTimedOut) timed_out_ = true;
    if (status != platform::InputStatus::kData) return 0;
    left_ -= n;
    return n;
}

std::string_view LimitedSource::Next() {
    if (left_ == 0) return {};
    std::string_view bytes = inner_.Buffered();
    if (bytes.empty()) {
        cut_short_ = true;
        return bytes;
    }
    if (bytes.size() > left_) bytes = bytes.substr(0, static_cast<size_t>(left_));
    // The view stays valid: the inner source refills only when this one
    // asks again, after every byte of it was taken.
    inner_.Skip(bytes.size());
    left_ -= bytes.size();
    return bytes;
}

size_t StringSource::Fill(char* buf, size_t size) {
    size_t n = text_.size() < size ? text_.size() : size;
    if (n == 0) return 0;
    std::memcpy(buf, text_.data(), n);
    text_.remove_prefix(n);
    return n;
}

}  // namespace kavr
