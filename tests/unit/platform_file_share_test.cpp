#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/file.h"
#include "tests/unit/test_site.h"

namespace kavr {
namespace {

using platform::ShareMode;

struct ShareCase {
    const char* first_mode;
    ShareMode first_share;
    const char* second_mode;
    ShareMode second_share;
    bool second_opens;
};

// The first open is held while the second is tried.
const ShareCase kShares[] = {
    {"r", ShareMode::kShareAll, "r", ShareMode::kShareAll, true},
    {"r", ShareMode::kShareAll, "w", ShareMode::kShareAll, true},
    {"r", ShareMode::kDenyRead, "r", ShareMode::kShareAll, false},
    {"r", ShareMode::kDenyRead, "a+", ShareMode::kShareAll, false},  // append reads too
    {"r", ShareMode::kDenyRead, "w", ShareMode::kShareAll, true},
    {"r", ShareMode::kDenyWrite, "r", ShareMode::kShareAll, true},
    {"r", ShareMode::kDenyWrite, "w", ShareMode::kShareAll, false},
    {"r", ShareMode::kDenyWrite, "a+", ShareMode::kShareAll, false},
    {"w", ShareMode::kDenyReadWrite, "r", ShareMode::kShareAll, false},
    {"w", ShareMode::kDenyReadWrite, "w", ShareMode::kShareAll, false},
    // A denial that an access already granted contradicts is refused too.
    {"r", ShareMode::kShareAll, "r", ShareMode::kDenyRead, false},
    {"r", ShareMode::kShareAll, "r", ShareMode::kDenyWrite, true},
    {"w", ShareMode::kShareAll, "r", ShareMode::kDenyWrite, false},
    {"w", ShareMode::kShareAll, "r", ShareMode::kDenyRead, true},
};

TEST(FileShare, SharingModesWithinOneProcess) {
    test::TestSite site;
    std::string path = site.dir() + "/f.txt";
    site.write("f.txt", "content\n");
    int n = 0;
    for (const ShareCase& c : kShares) {
        platform::File first, second;
        ASSERT_TRUE(first.open_shared(path, c.first_mode, c.first_share)) << "case " << n;
        EXPECT_EQ(second.open_shared(path, c.second_mode, c.second_share), c.second_opens) << "case " << n;
        ++n;
    }
    // Every lock went with its file: the strictest open works again.
    platform::File last;
    EXPECT_TRUE(last.open_shared(path, "r", ShareMode::kDenyReadWrite));
}

TEST(FileShare, DenialHoldsAcrossProcessesAndARefusedWriteTruncatesNothing) {
    test::TestSite site;
    std::string path = site.dir() + "/f.txt";
    site.write("f.txt", "keep me\n");
    platform::File holder;
    ASSERT_TRUE(holder.open_shared(path, "r", ShareMode::kDenyWrite));
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        platform::File w, r;
        bool write_refused = !w.open_shared(path, "w", ShareMode::kShareAll);
        bool read_granted = r.open_shared(path, "r", ShareMode::kShareAll);
        _exit(write_refused && read_granted ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(site.read("f.txt"), "keep me\n");
    holder.close();

    platform::File w;
    ASSERT_TRUE(w.open_shared(path, "w", ShareMode::kShareAll));
    EXPECT_TRUE(w.write("new"));
    w.close();
    EXPECT_EQ(site.read("f.txt"), "new");
}

TEST(FileShare, OnlyPlainFilesOpen) {
    test::TestSite site;
    platform::File f;
    EXPECT_FALSE(f.open_shared(site.dir(), "r", ShareMode::kShareAll));
    std::string fifo = site.dir() + "/pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(f.open_shared(fifo, "r", ShareMode::kShareAll));  // and does not block
    EXPECT_FALSE(f.open_shared(site.dir() + "/missing.txt", "r", ShareMode::kShareAll));
    EXPECT_TRUE(f.open_shared(site.dir() + "/created.txt", "a+", ShareMode::kShareAll));
    EXPECT_FALSE(f.open_shared(site.dir() + "/x.txt", "q", ShareMode::kShareAll));
}

}  // namespace
}  // namespace kavr
