// The real program, run as a user would run it, ended every way a desktop can end it: its
// settings are written exactly when they were read first, and a special file in place of the
// settings does not hold up the start.
#include "tests/support/ProgramRun.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

namespace {

using namespace std::chrono_literals;

constexpr const char* kSaved = "Device = KXS306\r\n"
                               "Interface =  1 \r\n"
                               "Plot Samples =  32768 \r\n"
                               "Port Address =  888 \r\n";

using ExitPathTest = ProgramRun;

TEST_F(ExitPathTest, TheSettingsAreWrittenOnlyOnceTheyWereRead) {
    // Saved by hand: an exit rewrites it in its own layout. A signal at once comes before the
    // settings were read and ends the program as it would without a handler; a second later
    // the exit writes back what was read, not the defaults.
    const std::string saved = "Device = KXS202\nInterface = 1\n";
    for (auto [after, signalled] : {std::pair{0ms, true}, {1000ms, false}}) {
        dir.Write("QueltoEval.cfg", saved);
        StartProgram(false);
        std::this_thread::sleep_for(after);
        ::kill(program_, SIGTERM);
        const auto status = ProgramEnds(3s);
        ASSERT_TRUE(status) << "the program did not end";
        EXPECT_EQ(WIFSIGNALED(*status) && WTERMSIG(*status) == SIGTERM, signalled);
        const std::string text = dir.Read("QueltoEval.cfg");
        EXPECT_EQ(text.substr(0, 20), signalled ? saved.substr(0, 20) : "Device = KXS202\r\nInt");
    }
}

TEST_F(ExitPathTest, AFifoInPlaceOfTheSettingsDoesNotHoldUpTheStart) {
    ASSERT_EQ(::mkfifo("QueltoEval.cfg", 0600), 0);
    ASSERT_NO_FATAL_FAILURE(StartDisplay());
    StartProgram(true);
    // No settings, so no interface: start-up says so.
    ASSERT_TRUE(Shown("Quelto Evaluation Program"));
    ::kill(program_, SIGTERM);
    ASSERT_TRUE(ProgramEnds(20s));
    // The exit replaced the FIFO with the settings file.
    struct stat st {};
    ASSERT_EQ(::stat("QueltoEval.cfg", &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
}

// A hang-up or a lost display at rest, or a terminating signal during a log: the log is left
// whole and the settings read at start-up are written back.
TEST_F(ExitPathTest, EveryOtherEndSavesTheSettingsAndLeavesALogWhole) {
    for (int signal : {SIGHUP, SIGKILL, SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        const bool logging = signal == SIGTERM || signal == SIGINT;
        dir.Write("QueltoEval.cfg", kSaved);
        ASSERT_NO_FATAL_FAILURE(StartDisplay(logging));
        StartProgram(true);
        ASSERT_TRUE(Shown("Evaluation - Rev 3"));
        // They come back only if the exit writes them.
        std::filesystem::remove(dir.path() / "QueltoEval.cfg");
        // F6 is "Log Data"; the first presses may come while start-up is still timing.
        const auto log = dir.path() / "KXS306_1.txt";
        for (int i = 0; logging && i < 100 && !std::filesystem::exists(log); ++i) {
            Succeeds(
                {"xdotool", "search", "--name", "Evaluation - Rev 3", "windowfocus", "key", "F6"});
            std::this_thread::sleep_for(300ms);
        }
        if (logging) {
            ASSERT_TRUE(std::filesystem::exists(log));
            std::this_thread::sleep_for(1500ms); // past the first write of lines
        }
        ::kill(signal == SIGKILL ? display_.Server() : program_, signal);
        ASSERT_TRUE(ProgramEnds(20s)) << "the program did not end";
        EXPECT_EQ(dir.Read("QueltoEval.cfg"), kSaved);
        if (!logging) {
            TearDown();
            continue;
        }
        const std::string text = dir.Read("KXS306_1.txt");
        ASSERT_GT(text.size(), 1000u);
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
        // The last line is whole and numbered on from the first.
        const size_t last = text.rfind("\r\n", text.size() - 3) + 2;
        const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
        EXPECT_EQ(text.substr(last, text.find('\t', last) - last), std::to_string(lines - 6));
        std::filesystem::remove(log);
        TearDown();
    }
}

} // namespace
