#include "platform/process.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/env.h"
#include "platform/os_path.h"

namespace kavr::platform {

std::vector<std::string> split_command_line(std::string_view line) {
    std::vector<std::string> words;
    std::string word;
    bool in_word = false, quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            in_word = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (in_word) words.push_back(word);
            word.clear();
            in_word = false;
        } else {
            word += c;
            in_word = true;
        }
    }
    if (in_word) words.push_back(word);
    return words;
}

bool OutputFile::create(const std::string& path) {
    close();
    do {
        fd_ = open(to_os_path(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    } while (fd_ < 0 && errno == EINTR);
    return fd_ >= 0;
}

void OutputFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

namespace {

// The few variables a detached child keeps.
std::vector<std::string> reduced_environment() {
    std::vector<std::string> env;
    for (const char* name : {"PATH", "HOME", "LANG", "TZ"})
        if (const char* v = env_get(name)) env.push_back(std::string(name) + "=" + v);
    return env;
}

// The file a program name starts: the name itself when it holds a "/",
// otherwise the first executable file of that name in the directories of
// the request's PATH (the system's default path when the request carries
// none; an empty entry is the current directory), as a CGI process's own
// lookup finds it. A FastCGI worker's own PATH plays no part. On failure
// err is ENOENT, or EACCES when a file of the name was found but may not
// be run.
bool find_program(const std::string& name, std::string& file, int& err) {
    if (name.find('/') != std::string::npos) {
        file = name;
        return true;
    }
    std::string search;
    if (const char* path = env_get("PATH")) {
        search = path;
    } else {
        size_t n = confstr(_CS_PATH, nullptr, 0);
        search.resize(n > 0 ? n : 1);
        if (n == 0 || confstr(_CS_PATH, search.data(), n) == 0) search = "/bin:/usr/bin";
        search.resize(std::strlen(search.c_str()));
    }
    err = ENOENT;
    size_t start = 0;
    for (;;) {
        size_t end = search.find(':', start);
        std::string dir = search.substr(start, end == std::string::npos ? std::string::npos : end - start);
        std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
        struct stat st;
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            if (access(candidate.c_str(), X_OK) == 0) {
                file = candidate;
                return true;
            }
            err = EACCES;
        }
        if (end == std::string::npos) return false;
        start = end + 1;
    }
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> out;
    for (std::string& t : texts) out.push_back(t.data());
    out.push_back(nullptr);
    return out;
}

// Frees the spawn attributes and file actions on every return path.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    bool actions_ok = false, attr_ok = false;
    SpawnSetup() {
        actions_ok = posix_spawn_file_actions_init(&actions) == 0;
        attr_ok = posix_spawnattr_init(&attr) == 0;
    }
    ~SpawnSetup() {
        if (actions_ok) posix_spawn_file_actions_destroy(&actions);
        if (attr_ok) posix_spawnattr_destroy(&attr);
    }
};

}  // namespace

bool start_process(const std::vector<std::string>& argv_in, const OutputFile* output,
                   ChildKind kind, Child& child, int* error_number) {
    child.pid = -1;
    int dummy;
    int& err = error_number ? *error_number : dummy;
    err = 0;
    if (argv_in.empty() || argv_in[0].empty()) {
        err = ENOENT;
        return false;
    }
    std::vector<std::string> args = argv_in;
    args[0] = to_os_path(args[0]);
    std::string program;
    if (!find_program(args[0], program, err)) return false;
    std::vector<char*> argv = pointers(args);

    SpawnSetup s;
    if (!s.actions_ok || !s.attr_ok) {
        err = ENOMEM;
        return false;
    }
    int rc = posix_spawn_file_actions_addopen(&s.actions, 0, "/dev/null", O_RDONLY, 0);
    if (rc == 0) {
        if (output && output->descriptor() >= 0)
            rc = posix_spawn_file_actions_adddup2(&s.actions, output->descriptor(), 1);
        else
            rc = posix_spawn_file_actions_addopen(&s.actions, 1, "/dev/null", O_WRONLY, 0);
    }
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // Nothing of the request but the three standard streams reaches the
    // program, whatever other layers opened without close-on-exec.
    if (rc == 0) rc = posix_spawn_file_actions_addclosefrom_np(&s.actions, 3);
#endif
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    flags |= kind == ChildKind::kDetached ? POSIX_SPAWN_SETSID : POSIX_SPAWN_SETPGROUP;
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    if (rc == 0) rc = posix_spawnattr_setflags(&s.attr, flags);
    if (rc == 0) rc = posix_spawnattr_setpgroup(&s.attr, 0);
    if (rc == 0) rc = posix_spawnattr_setsigmask(&s.attr, &none);
    if (rc == 0) rc = posix_spawnattr_setsigdefault(&s.attr, &all);
    if (rc != 0) {
        err = rc;
        return false;
    }

    std::vector<std::string> reduced;
    std::vector<char*> reduced_ptrs;
    char** envp = env_all();  // the request's, not the worker's
    if (kind == ChildKind::kDetached) {
        reduced = reduced_environment();
        reduced_ptrs = pointers(reduced);
        envp = reduced_ptrs.data();
    }
    pid_t pid = -1;
    rc = posix_spawn(&pid, program.c_str(), &s.actions, &s.attr, argv.data(), envp);
    if (rc != 0) {
        err = rc;
        return false;
    }
    child.pid = pid;
    return true;
}

namespace {

long monotonic_ms() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long>(ts.tv_sec) * 1000L + ts.tv_nsec / 1000000L;
}

}  // namespace

int wait_process(Child& child, long timeout_ms) {
    if (child.pid <= 0) return 1;
    const long deadline = timeout_ms < 0 ? 0 : monotonic_ms() + timeout_ms;
    long step = 1;
    for (;;) {
        int status;
        pid_t r = waitpid(child.pid, &status, timeout_ms < 0 ? 0 : WNOHANG);
        if (r == child.pid || (r < 0 && errno != EINTR)) {
            child.pid = -1;
            return 1;
        }
        if (r < 0) continue;  // interrupted
        long left = deadline - monotonic_ms();
        if (left <= 0) break;
        long pause = step < left ? step : left;
        struct timespec ts{pause / 1000, (pause % 1000) * 1000000L};
        nanosleep(&ts, nullptr);
        if (step < 20) step *= 2;
    }
    kill(-child.pid, SIGKILL);
    kill(child.pid, SIGKILL);
    int status;
    while (waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
    }
    child.pid = -1;
    return 0;
}

}  // namespace kavr::platform
