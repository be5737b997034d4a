// One SMTP connection: sending command and data texts, and reading whole
// replies (every line of a multi-line reply) so that the dialogue never
// falls out of step.
#pragma once
#include <string>
#include <string_view>

#include "mail/line_reader.h"

namespace kavr {

// How long the delivery waits. Each send, each receive and each complete
// reply is bounded by io_timeout_ms; retry_pause_ms separates the attempts
// at a message the server reported busy.
struct SmtpTimings {
    long io_timeout_ms = 20000;
    long retry_pause_ms = 10000;
};

class SmtpSession {
public:
    SmtpSession() = default;
    ~SmtpSession() { close(); }
    SmtpSession(const SmtpSession&) = delete;
    SmtpSession& operator=(const SmtpSession&) = delete;

    // 1 when connected; 0 when the host does not resolve or does not
    // answer. Clears the last reply code.
    int open(const std::string& host, int port, long timeout_ms);
    void close();

    // Sends the whole text and logs it at level 1. 0 on failure, after
    // which the session is broken.
    int send_text(std::string_view text);
    // The same without logging, for attachment contents.
    int send_bytes(std::string_view bytes);

    // Reads one complete reply and logs it as "Reply message=...". 1 when
    // its code is the expected one; otherwise the code is kept as the last
    // reply code. A reply that does not arrive in time, or is not a reply,
    // breaks the session.
    int read_reply(const char* expected);

    int last_reply_code() const { return last_reply_code_; }
    // True once a send or receive failed: the dialogue's state is unknown
    // and nothing more may be sent on this connection.
    bool broken() const { return broken_; }

private:
    int fd_ = -1;
    long timeout_ms_ = 20000;
    LineReader reader_;
    int last_reply_code_ = 0;
    bool broken_ = false;
};

}  // namespace kavr
