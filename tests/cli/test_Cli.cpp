// The command-line program's contract with scripts beyond its recorded runs: Ctrl+C ends a
// continuous run with complete output; its files and streams hold under what a shell can do to
// them (closed or full descriptors, FIFOs, links, devices, a file-size limit).
#include "cli/CliApp.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/TempDir.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

namespace {

using CliTest = AppStateTest;

TEST_F(CliTest, InterruptEndsAContinuousRunWithCompleteOutput) {
    TempWorkDir dir;
    std::ostringstream out, err;
    // Late enough for the first sweep to end on a busy machine, timing probes included.
    std::thread user([] {
        std::this_thread::sleep_for(std::chrono::seconds(2));
        RequestInterrupt();
    });
    const int code = RunCli({"sweep", "--simulate=KXS306", "--continuous", "--samples", "256",
                             "--format", "json", "-q"},
                            out, err);
    user.join();
    ClearInterrupt();
    EXPECT_EQ(code, 130) << err.str();
    const std::string json = out.str();
    EXPECT_EQ(json.substr(json.size() - 3), "]}\n");
    EXPECT_NE(json.find("\"statistics\""), std::string::npos);
}

} // namespace

namespace {

struct ShellCase {
    const char* script; // $S is a short sweep; a failed check exits 9
    int status;
    const char* message; // part of standard error
};

void RunInShell(std::initializer_list<ShellCase> cases) {
    ::setenv("S", QUELTO_CLI_PROGRAM " sweep --simulate=KXS306 --samples 4 -q", 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        const TempWorkDir dir;
        const int status = std::system(("(" + std::string(c.script) + ") 2>err >out").c_str());
        EXPECT_EQ(WEXITSTATUS(status), c.status);
        EXPECT_NE(dir.Read("err").find(c.message), std::string::npos) << dir.Read("err");
    }
}

} // namespace

TEST(CliFiles, HoldUnderWhatAShellDoes) {
    RunInShell({
        {"$S >/dev/full", 1, "writing standard output failed: No space left on device"},
        {"$S >&-", 1, "writing standard output failed: Bad file descriptor"},
        // A closed descriptor's number is not the next file's.
        {"$S --trace-port t >&-; s=$?; grep -q ^sample t && exit 9; exit $s", 1, "Bad file"},
        {"$S --trace-port t --config no/q.cfg 2>&-; s=$?; grep -q cli: t && exit 9; exit $s", 1,
         ""},
        {"(ulimit -f 0; $S --config q.cfg) 2>&1 | cat >&2", 0, "q.cfg: File too large"},
        {"$S -o /dev/fd/3 3>got && grep -q ^sample got", 0, ""},
        {"mkfifo f; (timeout 20 cat f >got &); sleep 0.5; $S -o f && sleep 1 && grep -q 1 got", 0,
         ""},
        {"mkfifo f; timeout 20 $S --trace-port f", 1,
         "--trace-port: cannot write f: nothing reads"},
        {"echo keep >v; ln -s v t; $S --trace-port t && grep -q keep v && grep -q open t", 0, ""},
    });
}

// A copy of the null device stands for /dev/null, which the old way would have replaced.
TEST(CliFiles, DevicesAreWrittenInPlace) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "mknod needs root";
    }
    RunInShell({
        {"mknod n c 1 3; $S -o n && test -c n", 0, ""},
        {"ln -s /dev/null n; chown -h 1:1 n; $S -o n", 2, "another user's link to a device"},
        {"mknod n c 1 3; $S --config n; s=$?; test -c n || exit 9; exit $s", 2,
         "--config: n does not read as a settings file (it is not a regular file)"},
    });
}
