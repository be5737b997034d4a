#include "platform/process.h"

#include <errno.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/request_channel.h"
#include "tests/unit/test_site.h"

namespace kavr {
namespace {

using Words = std::vector<std::string>;

TEST(Process, CommandLineSplitsAtBlanksAndQuotesGroup) {
    struct Case {
        const char* line;
        Words words;
    };
    const Case cases[] = {
        {"prog a  b\tc", {"prog", "a", "b", "c"}},
        {"  \"my prog\" \"two words\" x\"y z\"w", {"my prog", "two words", "xy zw"}},
        {"echo \"\" end", {"echo", "", "end"}},
        {"echo $(id); rm -rf / | cat > f", {"echo", "$(id);", "rm", "-rf", "/", "|", "cat", ">", "f"}},
        {"", {}},
        {"   ", {}},
        {"unterminated \"quote here", {"unterminated", "quote here"}},
    };
    for (const Case& c : cases) EXPECT_EQ(platform::split_command_line(c.line), c.words) << c.line;
}

// Runs words with output into the site's out.txt; the text written.
std::string run(const test::TestSite& site, const Words& words, platform::ChildKind kind,
                long timeout_ms, int* ended = nullptr) {
    platform::OutputFile out;
    EXPECT_TRUE(out.create(site.dir() + "/out.txt"));
    platform::Child child;
    int err = 0;
    EXPECT_TRUE(platform::start_process(words, &out, kind, child, &err)) << err;
    out.close();
    int rc = platform::wait_process(child, timeout_ms);
    if (ended) *ended = rc;
    return site.read("out.txt");
}

TEST(Process, ArgumentsReachTheProgramUntouchedByAnyShell) {
    test::TestSite site;
    std::string got = run(site, platform::split_command_line("echo \"$HOME; id\" `x` >y"),
                          platform::ChildKind::kAttached, -1);
    EXPECT_EQ(got, "$HOME; id `x` >y\n");
}

TEST(Process, OnlyTheStandardStreamsAreInherited) {
    test::TestSite site;
    FILE* leaked = fopen((site.dir() + "/open.txt").c_str(), "w");  // no close-on-exec
    ASSERT_NE(leaked, nullptr);
    std::string got = run(site, {"sh", "-c", "ls /proc/self/fd | sort -n | tr '\\n' ' '"},
                          platform::ChildKind::kAttached, 5000);
    fclose(leaked);
    // 0, 1, 2 and the descriptor ls itself opens on /proc/self/fd.
    EXPECT_EQ(got, "0 1 2 3 ");
}

TEST(Process, StartFailureGivesTheSystemErrorNumber) {
    platform::Child child;
    int err = 0;
    EXPECT_FALSE(platform::start_process({"/no/such/program"}, nullptr, platform::ChildKind::kAttached,
                                         child, &err));
    EXPECT_EQ(err, ENOENT);
    EXPECT_EQ(child.pid, -1);
    EXPECT_FALSE(platform::start_process({}, nullptr, platform::ChildKind::kAttached, child, &err));
    EXPECT_EQ(err, ENOENT);
}

// A FastCGI request's variables, standing in for the worker's channel.
class RequestVariables : public platform::RequestChannel {
public:
    explicit RequestVariables(Words vars) : vars_(std::move(vars)) {
        for (std::string& v : vars_) ptrs_.push_back(v.data());
        ptrs_.push_back(nullptr);
        platform::set_request_channel(this);
    }
    ~RequestVariables() override { platform::set_request_channel(nullptr); }
    const char* get_env(const char* name) override {
        std::string prefix = std::string(name) + "=";
        for (const std::string& v : vars_)
            if (v.compare(0, prefix.size(), prefix) == 0) return v.c_str() + prefix.size();
        return nullptr;
    }
    char** environment() override { return ptrs_.data(); }
    size_t read_input(char*, size_t) override { return 0; }
    void write_output(std::string_view) override {}
    void flush_output() override {}

private:
    Words vars_;
    std::vector<char*> ptrs_;
};

// Programs named without a directory are looked up in the request's PATH
// and get the request's environment, whatever the process's own are.
TEST(Process, ProgramNameAndEnvironmentComeFromTheRequest) {
    test::TestSite site;
    for (const char* d : {"own", "req", "plain"}) mkdir(site.path(d).c_str(), 0755);
    auto program = [&](const std::string& path, const std::string& says, mode_t mode) {
        site.write(path, "#!/bin/sh\necho " + says + " ${KAVR_PROBE_VAR:-unset}\n");
        chmod(site.path(path).c_str(), mode);
    };
    program("own/kavr_probe", "own", 0755);
    program("plain/kavr_probe", "plain", 0644);  // found first, may not run: skipped
    program("req/kavr_probe", "request", 0755);
    std::string own_path = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", (site.path("own") + ":" + own_path).c_str(), 1);
    setenv("KAVR_PROBE_VAR", "the process's own", 1);
    {
        RequestVariables request({"PATH=" + site.path("plain") + ":" + site.path("req") + ":/bin:/usr/bin",
                                  "KAVR_PROBE_VAR=the request's"});
        EXPECT_EQ(run(site, {"kavr_probe"}, platform::ChildKind::kAttached, 5000), "request the request's\n");
    }
    {
        RequestVariables request({"PATH=" + site.path("plain")});
        platform::Child child;
        int err = 0;
        EXPECT_FALSE(platform::start_process({"kavr_probe"}, nullptr, platform::ChildKind::kAttached, child, &err));
        EXPECT_EQ(err, EACCES);
    }
    {
        // No PATH in the request: the system's default path, not the
        // process's own.
        RequestVariables request({"KAVR_PROBE_VAR=x"});
        platform::Child child;
        int err = 0;
        EXPECT_FALSE(platform::start_process({"kavr_probe"}, nullptr, platform::ChildKind::kAttached, child, &err));
        EXPECT_EQ(err, ENOENT);
        EXPECT_EQ(run(site, {"sh", "-c", "echo $KAVR_PROBE_VAR"}, platform::ChildKind::kAttached, 5000), "x\n");
    }
    // Without a request channel (a CGI process) its own PATH and environment.
    EXPECT_EQ(run(site, {"kavr_probe"}, platform::ChildKind::kAttached, 5000), "own the process's own\n");
    setenv("PATH", own_path.c_str(), 1);
    unsetenv("KAVR_PROBE_VAR");
}

TEST(Process, TimeoutKillsTheChildAndKeepsWhatItWrote) {
    test::TestSite site;
    int ended = -1;
    long start = platform::clock_ms();
    std::string got = run(site, {"sh", "-c", "echo early; sleep 5; echo late"},
                          platform::ChildKind::kAttached, 300, &ended);
    long took = platform::clock_ms() - start;
    EXPECT_EQ(ended, 0);
    EXPECT_EQ(got, "early\n");
    EXPECT_LT(took, 3000);

    got = run(site, {"sh", "-c", "echo quick"}, platform::ChildKind::kAttached, 5000, &ended);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(got, "quick\n");
}

TEST(Process, DetachedChildrenGetTheirOwnSessionAndAReducedEnvironment) {
    test::TestSite site;
    setenv("KAVR_PROCESS_TEST", "visible", 1);
    const Words probe = {"sh", "-c", "ps -o sid= -p $$ | tr -d ' '; echo $$; echo ${KAVR_PROCESS_TEST:-none}"};
    std::string attached = run(site, probe, platform::ChildKind::kAttached, 5000);
    std::string detached = run(site, probe, platform::ChildKind::kDetached, 5000);
    unsetenv("KAVR_PROCESS_TEST");
    auto lines = [](const std::string& s) {
        Words w;
        size_t pos = 0, nl;
        while ((nl = s.find('\n', pos)) != std::string::npos) {
            w.push_back(s.substr(pos, nl - pos));
            pos = nl + 1;
        }
        return w;
    };
    Words a = lines(attached), d = lines(detached);
    ASSERT_EQ(a.size(), 3u) << attached;
    ASSERT_EQ(d.size(), 3u) << detached;
    EXPECT_NE(a[0], a[1]);  // same session as this test, which it does not lead
    EXPECT_EQ(d[0], d[1]);  // leads a session of its own
    EXPECT_EQ(a[2], "visible");
    EXPECT_EQ(d[2], "none");
}

}  // namespace
}  // namespace kavr
