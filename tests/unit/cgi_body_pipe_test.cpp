// The request body read from standard input as a web server gives it: a
// pipe whose writer may stay open after the body, or stop half-way.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "cgi/decode.h"
#include "cgi/multipart.h"
#include "driver/core/config.h"
#include "driver/core/request.h"
#include "platform/clock.h"
#include "tests/unit/test_site.h"

namespace kavr {
namespace {

// Puts a pipe in the place of standard input for the test's lifetime.
class StdinPipe {
public:
    StdinPipe() {
        int p[2];
        EXPECT_EQ(pipe(p), 0);
        saved_ = dup(STDIN_FILENO);
        dup2(p[0], STDIN_FILENO);
        close(p[0]);
        writer_ = p[1];
    }
    ~StdinPipe() {
        close_writer();
        dup2(saved_, STDIN_FILENO);
        close(saved_);
    }
    void write_all(const std::string& bytes) {
        ASSERT_EQ(write(writer_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    void close_writer() {
        if (writer_ >= 0) close(writer_);
        writer_ = -1;
    }
    // What is still in the pipe (the writer must be closed).
    std::string rest() {
        std::string out;
        char buf[256];
        for (ssize_t n; (n = read(STDIN_FILENO, buf, sizeof buf)) > 0;) out.append(buf, n);
        return out;
    }

private:
    int saved_ = -1, writer_ = -1;
};

CgiInput post(const std::string& type, size_t length) {
    CgiInput in;
    in.request_method = "POST";
    in.content_type = type;
    in.content_length = static_cast<long>(length);
    return in;
}

struct Outcome {
    int result;
    long ms;
    std::string why;
    RequestTables t;
};

Outcome decode(const CgiInput& in, long timeout_ms) {
    Outcome o;
    StdinSource src(timeout_ms, BodyLength(in));
    long start = platform::clock_ms();
    o.result = DecodeRequestFrom(o.t, in, src, o.why);
    o.ms = platform::clock_ms() - start;
    return o;
}

TEST(BodyFromAPipe, CompleteBodyNeedsNoEndOfInput) {
    // The writer keeps the pipe open: the body is complete at its length,
    // so decoding ends there instead of waiting for the time limit.
    const std::string boundary = "xYz";
    const std::string multipart = "--xYz\r\nContent-Disposition: form-data; name=\"m\"\r\n\r\n"
                                  "multi\r\n--xYz--\r\n";
    const struct {
        std::string type, body;
    } cases[] = {{"application/x-www-form-urlencoded", "a=1&b=two"},
                 {"multipart/form-data; boundary=" + boundary, multipart}};
    for (const auto& c : cases) {
        StdinPipe pipe;
        pipe.write_all(c.body + "trailing bytes");
        Outcome o = decode(post(c.type, c.body.size()), 10000);
        EXPECT_EQ(o.result, 1) << c.type << ": " << o.why;
        EXPECT_LT(o.ms, 5000) << c.type;
        ASSERT_FALSE(o.t.vars.empty()) << c.type;
        EXPECT_EQ(o.t.vars.back().value, c.type[0] == 'a' ? "two" : "multi");
        // Nothing after the body was taken from the pipe.
        pipe.close_writer();
        EXPECT_EQ(pipe.rest(), "trailing bytes") << c.type;
    }
}

TEST(BodyFromAPipe, BodyThatStopsIsACutOffBodyAfterTheTimeLimit) {
    const std::string body = "a=1&b=2";
    {
        // Held open, the rest never comes: failure once the pause exceeds the limit.
        StdinPipe pipe;
        pipe.write_all(body.substr(0, 4));
        Outcome o = decode(post("application/x-www-form-urlencoded", body.size()), 300);
        EXPECT_EQ(o.result, 0);
        EXPECT_EQ(o.why, kBodyCutShort);
        EXPECT_GE(o.ms, 250);
        EXPECT_LT(o.ms, 5000);
    }
    {
        // A multipart body whose writer stops inside a part.
        StdinPipe pipe;
        std::string part = "--B\r\nContent-Disposition: form-data; name=\"m\"\r\n\r\nhalf";
        pipe.write_all(part);
        Outcome o = decode(post("multipart/form-data; boundary=B", part.size() + 50), 300);
        EXPECT_EQ(o.result, 0);
        EXPECT_EQ(o.why, kBodyCutShort);
        EXPECT_LT(o.ms, 5000);
    }
    {
        // The writer closes early: failure at once, without waiting.
        StdinPipe pipe;
        pipe.write_all(body.substr(0, 4));
        pipe.close_writer();
        Outcome o = decode(post("application/x-www-form-urlencoded", body.size()), 10000);
        EXPECT_EQ(o.result, 0);
        EXPECT_EQ(o.why, kBodyCutShort);
        EXPECT_LT(o.ms, 5000);
    }
}

TEST(BodyFromAPipe, SlowButSteadyBodyIsNotCutOff) {
    // Each pause is shorter than the limit: the limit is on silence, not on
    // the whole body.
    StdinPipe pipe;
    const std::string body = "a=1&b=2&c=3";
    pipe.write_all(body.substr(0, 3));
    CgiInput in = post("application/x-www-form-urlencoded", body.size());
    StdinSource src(1500, body.size());
    RequestTables t;
    std::string why;
    // The writer side runs in a child, which sends the rest in pieces.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        for (size_t at = 3; at < body.size(); at += 4) {
            usleep(400 * 1000);
            pipe.write_all(body.substr(at, 4));
        }
        _exit(0);
    }
    int result = DecodeRequestFrom(t, in, src, why);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(result, 1) << why;
    EXPECT_FALSE(src.timed_out());
    ASSERT_EQ(t.vars.size(), 3u);
    EXPECT_EQ(t.vars[2].value, "3");
}

TEST(BodyFromAPipe, TheRequestWaitsAsLongAsBodyTimeoutSays) {
    test::TestSite site;
    site.load_config("[Admin]\nBodyTimeout=1\n");
    EXPECT_EQ(g_config.body_timeout, 1);
    setenv("REQUEST_METHOD", "POST", 1);
    setenv("CONTENT_TYPE", "application/x-www-form-urlencoded", 1);
    setenv("CONTENT_LENGTH", "10", 1);
    StdinPipe pipe;
    pipe.write_all("a=1");
    Request request;
    long start = platform::clock_ms();
    EXPECT_EQ(DecodeRequest(request), 0);
    long ms = platform::clock_ms() - start;
    EXPECT_GE(ms, 900);
    EXPECT_LT(ms, 5000);
    for (const char* v : {"REQUEST_METHOD", "CONTENT_TYPE", "CONTENT_LENGTH"}) unsetenv(v);
}

}  // namespace
}  // namespace kavr
