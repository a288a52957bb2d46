// The command-line program's contract with scripts beyond its recorded runs: a failed run
// leaves no output file and keeps the one it would have replaced, and Ctrl+C ends a
// continuous run with complete output.
#include "cli/CliApp.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

namespace {

class CliTest : public AppStateTest {
protected:
    int Run(std::vector<std::string> args) {
        out.str({});
        err.str({});
        args.push_back("-q");
        return RunCli(args, out, err);
    }
    std::string Err() const { return err.str(); }

    TempWorkDir dir;
    std::ostringstream out, err;
};

TEST_F(CliTest, BadInputNamesTheOptionAndLeavesNoOutput) {
    dir.Write("kept.tsv", "earlier\n");
    const struct {
        std::vector<std::string> args;
        int code;
        const char* named;
    } cases[] = {
        {{"sweep", "--simulate=KXS306", "--port", "zz"}, 2, "--port"},
        {{"sweep", "--simulate=KXS306", "--samples", "0"}, 2, "--samples"},
        {{"sweep", "--simulate=KXS306", "--samples", "70000"}, 2, "--samples"},
        {{"sweep", "--simulate=KXS306", "--delay", "-1"}, 2, "--delay"},
        {{"spi", "--simulate=KXS306", "--words", "12345"}, 2, "--words"},
        {{"sweep", "--simulate=KXS306", "-o", "/nonexistent/x.tsv"}, 1, "--output"},
        {{"sweep", "--simulate=KXS306", "--interface", "usb", "--adapter", "2", "-o", "kept.tsv"},
         1,
         "--adapter"},
        {{"sweep", "--simulate=KXS306", "--samples", "16", "--config", "nowhere/q.cfg", "-o",
          "new.tsv"},
         1,
         "--config: cannot write nowhere/q.cfg: No such file"},
        {{"noise", "--from-log", "kept.tsv", "--rate", "100"}, 1, "not a log"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        EXPECT_EQ(Run(c.args), c.code) << Err();
        EXPECT_NE(Err().find(c.named), std::string::npos) << Err();
        EXPECT_EQ(out.str(), "");
    }
    EXPECT_EQ(dir.Read("kept.tsv"), "earlier\n");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "new.tsv"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST_F(CliTest, InterruptEndsAContinuousRunWithCompleteOutput) {
    std::thread user([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        RequestInterrupt();
    });
    const int code =
        Run({"sweep", "--simulate=KXS306", "--continuous", "--samples", "256", "--format", "json"});
    user.join();
    ClearInterrupt();
    EXPECT_EQ(code, 130) << Err();
    const std::string json = out.str();
    EXPECT_EQ(json.substr(json.size() - 3), "]}\n");
    EXPECT_NE(json.find("\"statistics\""), std::string::npos);
}

} // namespace
