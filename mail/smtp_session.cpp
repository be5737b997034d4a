#include "mail/smtp_session.h"

#include <cctype>

#include "driver/core/log.h"
#include "platform/clock.h"
#include "platform/socket.h"

namespace kavr {

namespace {

// A reply line may be 512 bytes; a longer one, or a reply of more lines
// than any server sends, means the peer does not speak SMTP.
constexpr size_t kMaxReplyLine = 2048;
constexpr int kMaxReplyLines = 100;

int reply_code(const std::string& line) {
    if (line.size() < 3) return -1;
    int code = 0;
    for (int i = 0; i < 3; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(line[i]))) return -1;
        code = code * 10 + (line[i] - '0');
    }
    return code;
}

// "250-..." continues a reply, "250 ..." or a bare "250" ends it.
bool is_last_line(const std::string& line) { return line.size() < 4 || line[3] != '-'; }

}  // namespace

int SmtpSession::open(const std::string& host, int port, long timeout_ms) {
    close();
    timeout_ms_ = timeout_ms;
    last_reply_code_ = 0;
    broken_ = false;
    fd_ = platform::socket_open_ms(host, port, timeout_ms);
    reader_.reset(fd_);
    return fd_ >= 0 ? 1 : 0;
}

void SmtpSession::close() {
    platform::socket_close(fd_);
    fd_ = -1;
    reader_.reset(-1);
}

int SmtpSession::send_text(std::string_view text) {
    WriteLog(0, 1, text);
    return send_bytes(text);
}

int SmtpSession::send_bytes(std::string_view bytes) {
    if (broken_ || fd_ < 0) return 0;
    if (platform::socket_send_all(fd_, bytes)) return 1;
    broken_ = true;
    return 0;
}

int SmtpSession::read_reply(const char* expected) {
    if (broken_ || fd_ < 0) return 0;
    long deadline = platform::clock_ms() + timeout_ms_;
    std::string reply, line;
    int code = -1;
    bool complete = false;
    for (int n = 0; n < kMaxReplyLines; ++n) {
        if (!reader_.read_line(line, kMaxReplyLine, deadline)) break;
        reply += line;
        code = reply_code(line);
        if (code < 0) break;
        if (is_last_line(line)) {
            complete = true;
            break;
        }
    }
    if (LogWanted(1)) WriteLog(0, 1, "Reply message=" + reply + "\n");
    if (!complete) {
        broken_ = true;
        last_reply_code_ = 0;
        return 0;
    }
    if (code == reply_code(expected)) return 1;
    last_reply_code_ = code;
    return 0;
}

}  // namespace kavr
