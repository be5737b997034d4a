// Starts and stops tests/smtp/smtp_sink.py, a real SMTP server (Debian's
// python3-aiosmtpd) on 127.0.0.1 that keeps the messages it receives.
#pragma once
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace kavr::test {

// Runs a program with its output thrown away; its exit code, or -1.
inline int run_quietly(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    int rc = posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// A Python interpreter that can import aiosmtpd: $KAVR_PYTHON when set,
// else python3 on the PATH, else the system's own. Empty when none can.
inline std::string python_with_aiosmtpd() {
    std::vector<std::string> candidates;
    if (const char* p = std::getenv("KAVR_PYTHON")) candidates.push_back(p);
    candidates.push_back("python3");
    candidates.push_back("/usr/bin/python3");
    for (const auto& py : candidates)
        if (run_quietly({py, "-c", "import aiosmtpd.smtp"}) == 0) return py;
    return "";
}

// The repository's root, from this header's own path.
inline std::string source_root() {
    std::string here = __FILE__;
    return here.substr(0, here.rfind("/tests/smtp/"));
}

class SmtpSink {
public:
    // Starts the server writing into out_dir; port() is 0 when it failed.
    SmtpSink(const std::string& python, const std::string& out_dir) : dir_(out_dir) {
        std::string script = source_root() + "/tests/smtp/smtp_sink.py";
        std::vector<char*> argv = {const_cast<char*>(python.c_str()),
                                   const_cast<char*>(script.c_str()),
                                   const_cast<char*>(out_dir.c_str()), nullptr};
        if (posix_spawnp(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
            return;
        }
        for (int i = 0; i < 200 && port_ == 0; ++i) {
            std::ifstream f(dir_ + "/port");
            if (!(f >> port_)) port_ = 0;
            if (port_ == 0) usleep(50000);
        }
    }
    ~SmtpSink() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status;
            waitpid(pid_, &status, 0);
        }
    }
    SmtpSink(const SmtpSink&) = delete;
    SmtpSink& operator=(const SmtpSink&) = delete;

    int port() const { return port_; }

    // A file the server wrote ("msg1.headers", "msg2.part2.data"), or ""
    // when it does not exist.
    std::string file(const std::string& name) const {
        std::ifstream f(dir_ + "/" + name, std::ios::binary);
        std::ostringstream s;
        s << f.rdbuf();
        return s.str();
    }

private:
    std::string dir_;
    pid_t pid_ = -1;
    int port_ = 0;
};

}  // namespace kavr::test
