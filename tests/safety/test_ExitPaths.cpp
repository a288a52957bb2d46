// The real program, run as a user would run it, ended every way a desktop can end it: its
// settings are written exactly when they were read first, and a special file in place of the
// settings does not hold up the start.
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kSaved = "Device = KXS202\r\n"
                               "Interface =  1 \r\n"
                               "Plot Samples =  4096 \r\n"
                               "Port Address =  888 \r\n";

pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const auto& e : env) {
            ::putenv(const_cast<char*>(e.c_str()));
        }
        // Quiet: only what a failing test needs would be read, and nothing is.
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        for (int fd = 3; fd < 256; ++fd) {
            ::close(fd);
        }
        std::vector<char*> argv;
        for (const auto& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

// The wait status, or nothing when the process has not ended by then.
std::optional<int> WaitFor(pid_t pid, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    do {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            return status;
        }
        std::this_thread::sleep_for(20ms);
    } while (Clock::now() < end);
    return std::nullopt;
}

class ExitPathTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (pid_t* pid : {&program_, &xserver_}) {
            if (*pid > 0) {
                ::kill(*pid, SIGKILL);
                WaitFor(*pid, 5s);
                *pid = -1;
            }
        }
    }

    // The program's wait status once it has ended, within limit.
    std::optional<int> ProgramEnds(std::chrono::milliseconds limit) {
        const auto status = WaitFor(program_, limit);
        if (status) {
            program_ = -1;
        }
        return status;
    }

    // The program on the simulated board, on a display of its own or the offscreen one.
    void StartProgram(bool onDisplay) {
        std::vector<std::string> env{"QT_QPA_PLATFORM=offscreen"};
        if (onDisplay) {
            env = {"QT_QPA_PLATFORM=xcb", "DISPLAY=" + display_};
        }
        program_ = Spawn({QUELTO_PROGRAM, "--simulate"}, env);
    }

    // A virtual X server of our own, on a display number that no other test's server has: one
    // that is taken makes Xvfb end at once, and the next number is tried.
    void StartDisplay() {
        for (int attempt = 0; attempt < 20; ++attempt) {
            const std::string number = std::to_string(100 + (::getpid() * 7 + ++displays_) % 800);
            xserver_ = Spawn({"Xvfb", ":" + number, "-nolisten", "tcp", "-noreset", "-screen", "0",
                              "1280x800x24"},
                             {});
            display_ = ":" + number;
            const auto end = Clock::now() + 20s;
            while (Clock::now() < end && !WaitFor(xserver_, 0ms)) {
                if (Succeeds({"xdotool", "getmouselocation"})) {
                    return;
                }
                std::this_thread::sleep_for(50ms);
            }
            TearDown();
        }
        FAIL() << "Xvfb did not start";
    }

    // A helper program run on our display ends with success.
    bool Succeeds(const std::vector<std::string>& args) {
        const pid_t pid = Spawn(args, {"DISPLAY=" + display_});
        const auto status = WaitFor(pid, 10s);
        if (!status) {
            ::kill(pid, SIGKILL);
            WaitFor(pid, 5s);
        }
        return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
    }

    // A window whose title holds name is on the display. The settings have been read once
    // the main window or start-up's first message shows.
    bool Shown(const std::string& name) {
        const auto end = Clock::now() + 60s;
        while (Clock::now() < end) {
            if (Succeeds({"xdotool", "search", "--name", name})) {
                return true;
            }
            std::this_thread::sleep_for(100ms);
        }
        return false;
    }

    TempWorkDir dir;
    std::string display_;
    pid_t program_ = -1;
    pid_t xserver_ = -1;
    int displays_ = 0;
};

TEST_F(ExitPathTest, ASignalBeforeTheSettingsWereReadEndsTheProgramWithoutWritingThem) {
    // Saved by hand: an exit would rewrite it in its own layout.
    const std::string saved = "Device = KXS202\nInterface = 1\n";
    dir.Write("QueltoEval.cfg", saved);
    StartProgram(false);
    std::this_thread::sleep_for(300ms); // well inside the start-up's timing calibration
    ::kill(program_, SIGTERM);
    const auto status = ProgramEnds(3s);
    ASSERT_TRUE(status) << "the program did not end";
    EXPECT_TRUE(WIFSIGNALED(*status) && WTERMSIG(*status) == SIGTERM);
    EXPECT_EQ(dir.Read("QueltoEval.cfg"), saved);
}

TEST_F(ExitPathTest, AHangUpOrALostDisplaySavesTheSettings) {
    for (bool hangUp : {true, false}) {
        SCOPED_TRACE(hangUp ? "SIGHUP" : "display lost");
        dir.Write("QueltoEval.cfg", kSaved);
        ASSERT_NO_FATAL_FAILURE(StartDisplay());
        StartProgram(true);
        ASSERT_TRUE(Shown("Evaluation - Rev 3"));
        // The settings read at start-up come back only if the exit writes them.
        std::filesystem::remove(dir.path() / "QueltoEval.cfg");
        if (hangUp) {
            ::kill(program_, SIGHUP);
        } else {
            ::kill(xserver_, SIGKILL);
        }
        ASSERT_TRUE(ProgramEnds(20s)) << "the program did not end";
        EXPECT_EQ(dir.Read("QueltoEval.cfg"), kSaved);
        TearDown();
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

} // namespace
