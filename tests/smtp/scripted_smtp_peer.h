// A scripted SMTP server for the tests, on 127.0.0.1 in a thread of the
// test process. It answers each command with the reply the test scripted
// for that command's verb and records every byte it receives, so a test
// can compare the whole dialogue byte for byte.
#pragma once
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kavr::test {

class ScriptedSmtpPeer {
public:
    // A "\x01" inside a reply sends what precedes it as a separate write
    // after a short pause, to split one reply over several segments.
    static constexpr char kSplit = '\x01';

    struct Script {
        // Sent on connecting; empty means the peer never greets.
        std::string greeting = "220 peer.test ready\r\n";
        // Replies by verb: "HELO", "EHLO", "MAIL", "RCPT", "DATA", "RSET",
        // "QUIT", and "." for the end of the message data. Each verb's
        // replies are used in turn, the last one repeating; a verb without
        // entries gets a positive reply.
        std::map<std::string, std::vector<std::string>> replies;
        // From the n-th command of this verb on (1-based) the peer answers
        // nothing at all; empty for a peer that always answers.
        std::string silent_from_verb;
        int silent_from_count = 1;
    };

    explicit ScriptedSmtpPeer(Script script) : script_(std::move(script)) {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        listen(listener_, 4);
        socklen_t len = sizeof addr;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] { serve(); });
    }

    ~ScriptedSmtpPeer() {
        stop_ = true;
        thread_.join();
        close(listener_);
    }

    int port() const { return port_; }
    int connections() const { return connections_; }
    std::string transcript() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return transcript_;
    }

private:
    static std::string verb_of(const std::string& line) {
        std::string verb;
        for (char c : line) {
            if (!std::isalpha(static_cast<unsigned char>(c))) break;
            verb += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        return verb;
    }

    std::string reply_for(const std::string& verb) {
        auto it = script_.replies.find(verb);
        size_t n = used_[verb]++;
        if (it != script_.replies.end() && !it->second.empty())
            return it->second[n < it->second.size() ? n : it->second.size() - 1];
        if (verb == "DATA") return "354 go ahead\r\n";
        if (verb == "QUIT") return "221 bye\r\n";
        if (verb.empty()) return "500 what\r\n";
        return "250 ok\r\n";
    }

    void send_reply(int fd, const std::string& reply) {
        size_t start = 0;
        for (;;) {
            size_t split = reply.find(kSplit, start);
            std::string part = reply.substr(start, split == std::string::npos ? split : split - start);
            if (!part.empty() && ::send(fd, part.data(), part.size(), MSG_NOSIGNAL) < 0) return;
            if (split == std::string::npos) return;
            usleep(50000);
            start = split + 1;
        }
    }

    // Waits for readable data while the test runs; false once stopping.
    bool wait_readable(int fd) {
        while (!stop_) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 20) > 0) return true;
        }
        return false;
    }

    void serve() {
        while (wait_readable(listener_)) {
            int fd = accept(listener_, nullptr, nullptr);
            if (fd < 0) continue;
            ++connections_;
            talk(fd);
            close(fd);
        }
    }

    void talk(int fd) {
        if (script_.greeting.empty()) {
            while (wait_readable(fd)) {
                char sink[512];
                if (recv(fd, sink, sizeof sink, 0) <= 0) return;
            }
            return;
        }
        send_reply(fd, script_.greeting);
        std::string pending;
        bool in_data = false, silent = false;
        std::map<std::string, int> seen;
        while (wait_readable(fd)) {
            char chunk[4096];
            ssize_t n = recv(fd, chunk, sizeof chunk, 0);
            if (n <= 0) return;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                transcript_.append(chunk, static_cast<size_t>(n));
            }
            pending.append(chunk, static_cast<size_t>(n));
            size_t lf;
            while ((lf = pending.find('\n')) != std::string::npos) {
                std::string line = pending.substr(0, lf + 1);
                pending.erase(0, lf + 1);
                std::string verb = in_data ? (line == ".\r\n" ? "." : "") : verb_of(line);
                if (in_data && verb.empty()) continue;
                in_data = false;
                if (silent) continue;
                if (!script_.silent_from_verb.empty() && verb == script_.silent_from_verb &&
                    ++seen[verb] >= script_.silent_from_count) {
                    silent = true;
                    continue;
                }
                std::string reply = reply_for(verb);
                send_reply(fd, reply);
                if (verb == "DATA" && reply.compare(0, 3, "354") == 0) in_data = true;
                if (verb == "QUIT") return;
            }
        }
    }

    Script script_;
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    std::map<std::string, size_t> used_;
    mutable std::mutex mutex_;
    std::string transcript_;
};

}  // namespace kavr::test
