// External programs, started directly (never through a shell), with their
// standard output in a file, and waited for with a time limit.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace kavr::platform {

// Splits a command line into program and arguments: blanks and tabs
// separate words, double quotes group words (the quotes themselves are
// dropped, "" inside a group is an empty piece). Nothing else is special.
std::vector<std::string> split_command_line(std::string_view line);

// A file that receives a child's standard output; closed with the object.
class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile() { close(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the file (an existing one is emptied) for writing.
    bool create(const std::string& path);
    void close();
    int descriptor() const { return fd_; }

private:
    int fd_ = -1;
};

// How a child is set apart from this process. Both kinds get a process
// group of their own, so that a time-out ends the child and whatever it
// started; a detached child also gets a session of its own, with no
// controlling terminal, and an environment reduced to PATH, HOME, LANG
// and TZ.
enum class ChildKind { kAttached, kDetached };

// A started child; the process id, or -1.
struct Child {
    int pid = -1;
};

// Starts argv[0] (looked up through the request's PATH when it holds no
// "/") with the arguments and the request's environment (reduced for a
// detached child), standard input from /dev/null, standard output into
// output (or /dev/null when output is null) and this process's standard
// error.
// On failure *error_number holds the system's error number (ENOENT for an
// empty argument list) and false is returned.
bool start_process(const std::vector<std::string>& argv, const OutputFile* output,
                   ChildKind kind, Child& child, int* error_number);

// Waits for the child to end, without limit when timeout_ms is negative.
// When the time runs out, the child's process group is killed and the
// child reaped. 1 when it ended by itself, 0 when it was killed.
int wait_process(Child& child, long timeout_ms);

}  // namespace kavr::platform
