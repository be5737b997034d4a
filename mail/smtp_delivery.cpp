#include "mail/smtp_delivery.h"

#include <cctype>
#include <cstdlib>

#include "driver/core/config.h"
#include "driver/core/log.h"
#include "mail/data_filter.h"
#include "mail/header_guard.h"
#include "mail/spool_format.h"
#include "platform/file.h"
#include "platform/profile.h"
#include "platform/socket.h"

namespace kavr {

const char* const kMimeBoundary = "gc0p4Jq0M2Yt08jU534c0pqarvolintebusmarkolTvOiNcYt----";

namespace {

constexpr size_t kSettingSize = 100;
constexpr size_t kHostNameSize = 100;
constexpr size_t kBlockSize = 1024;

bool present(const std::optional<std::string>& v) { return v && !v->empty(); }

bool equals_ignore_case(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && !b[i];
}

// MAIL FROM with the empty reverse path, then one RCPT per address of To
// and Cc in order, then DATA.
int send_envelope(SmtpSession& s, const SpoolHeader& h) {
    if (!h.to) return 0;
    if (!s.send_text("MAIL FROM: <>\r\n") || !s.read_reply("250")) return 0;
    std::string list = *h.to;
    if (present(h.cc)) list += "," + *h.cc;
    size_t start = 0;
    for (;;) {
        size_t comma = list.find(',', start);
        bool last = comma == std::string::npos;
        std::string piece = list.substr(start, last ? std::string::npos : comma - start);
        if (!last || !piece.empty()) {
            if (!s.send_text("RCPT TO: " + piece + "\r\n") || !s.read_reply("250")) return 0;
        }
        if (last) break;
        start = comma + 1;
    }
    return s.send_text("DATA\r\n") && s.read_reply("354");
}

int send_headers(SmtpSession& s, const SpoolHeader& h) {
    if (present(h.from) && !s.send_text("From: " + *h.from + "\r\n")) return 0;
    if (present(h.to) && !s.send_text("To: " + *h.to + "\r\n")) return 0;
    if (present(h.cc) && !s.send_text("Cc: " + *h.cc + "\r\n")) return 0;
    if (h.subject && !s.send_text("Subject: " + *h.subject + "\r\n")) return 0;
    return 1;
}

// The name a mail client shows for the attachment: the path's last part
// (never the server's directories), with anything that could end the
// header line replaced.
std::string attachment_name(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    for (char& c : name)
        if (c == '\r' || c == '\n' || c == '\0' || c == '"') c = '_';
    return name;
}

// Streams the rest of the spool file as the message text; 0 when sending
// fails.
int send_body(SmtpSession& s, platform::File& f) {
    DataFilter filter;
    char block[kBlockSize];
    std::string out;
    for (;;) {
        size_t n = f.read(block, sizeof block);
        out.clear();
        filter.feed(std::string_view(block, n), out);
        if (n < sizeof block) filter.finish(out);
        if (!out.empty() && !s.send_text(out)) return 0;
        if (n < sizeof block) return 1;
    }
}

int send_attachment(SmtpSession& s, const std::string& path, bool binary) {
    std::string name = attachment_name(path);
    std::string head = std::string("\r\n--") + kMimeBoundary + "\r\n";
    if (binary)
        head += "Content-Type: application/octet-stream; name=\"" + name +
                "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n";
    else
        head += "Content-Type: text/plain; name=\"" + name + "\"\r\n\r\n";
    if (!s.send_text(head)) return 0;

    platform::File f(path, "rb");
    if (f.is_open()) {
        DataFilter text;
        Base64Lines base64;
        char block[kBlockSize];
        std::string out;
        size_t n;
        do {
            n = f.read(block, sizeof block);
            out.clear();
            if (binary) {
                base64.feed(std::string_view(block, n), out);
                if (n < sizeof block) base64.finish(out);
            } else {
                text.feed(std::string_view(block, n), out);
                if (n < sizeof block) text.finish(out);
            }
            if (!out.empty() && !s.send_bytes(out)) return 0;
        } while (n == sizeof block);
    }
    return s.send_text(std::string("\r\n--") + kMimeBoundary + "--\r\n");
}

}  // namespace

void ReadSmtpServerSettings(std::string& host, int& port) {
    std::string ini = ConfigFilePath();
    host = platform::GetPrivateProfileStringA("SMTP", "SMTP_Server", "", kSettingSize, ini);
    if (host.empty()) host = "localhost";
    port = 25;
    std::string text = platform::GetPrivateProfileStringA("SMTP", "SMTP_Port", "", kSettingSize, ini);
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    if (end != text.c_str()) port = value < 0 || value > 65535 ? 0 : static_cast<int>(value);
}

int SmtpConnect(SmtpSession& s, const SmtpTimings& t) {
    std::string host;
    int port;
    ReadSmtpServerSettings(host, port);
    if (!s.open(host, port, t.io_timeout_ms)) return -1;
    return s.read_reply("220");
}

int SmtpHello(SmtpSession& s, bool extended) {
    std::string host;
    if (!platform::local_host_name(host)) return 0;
    if (host.size() > kHostNameSize - 1) host.resize(kHostNameSize - 1);
    if (!s.send_text(std::string(extended ? "EHLO " : "HELO ") + host + "\r\n")) return 0;
    if (!s.read_reply("250")) return 0;
    WriteLog(0, 1, "Init SMTP\n");
    return 1;
}

int DeliverSpoolFile(SmtpSession& s, const std::string& file_name) {
    if (!g_config.mail_spool_path || g_config.mail_spool_path->empty()) return 0;
    platform::File f(*g_config.mail_spool_path + "\\" + file_name, "rb");
    if (!f.is_open()) return -1;
    SpoolHeader h;
    if (!ReadSpoolHeader(f, h)) return -1;
    for (const auto* v : {&h.from, &h.to, &h.cc, &h.subject}) {
        if (*v && !IsSingleLineValue(**v)) {
            WriteLog(0, 3, "Error: Line break in a mail address or subject, message refused: " +
                               file_name + "\n");
            return -1;
        }
    }

    bool attached = h.attachment.has_value();
    if (!SmtpHello(s, attached)) {
        WriteLog(0, 1, "Error: Can't Say Hello to the SMTP Server\n");
        return 0;
    }
    if (!send_envelope(s, h) || !send_headers(s, h)) return 0;

    if (attached) {
        std::string mime = std::string("MIME-Version: 1.0\r\n") +
                           "Content-Type: multipart/mixed; boundary=\"" + kMimeBoundary + "\"\r\n" +
                           "\r\n--" + kMimeBoundary + "\r\n" +
                           "Content-Type: text/plain; charset=us-ascii\r\n\r\n";
        if (!s.send_text(mime)) return 0;
    } else if (!s.send_text("\r\n")) {
        return 0;
    }
    int body = send_body(s, f);
    f.close();
    if (!body) return 0;

    if (attached) {
        bool binary = h.attachment_mode && !equals_ignore_case(*h.attachment_mode, "Text");
        if (!send_attachment(s, *h.attachment, binary)) return 0;
    }
    if (!s.send_text("\r\n.\r\n")) return 0;
    return s.read_reply("250");
}

}  // namespace kavr
