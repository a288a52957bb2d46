// The real program run as a user runs it: on a virtual X display of its own (with a window
// manager when asked) or offscreen, with helper programs such as xdotool to look at it.
#pragma once

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

class ProgramRun : public ::testing::Test {
protected:
    using Clock = std::chrono::steady_clock;
    using Milliseconds = std::chrono::milliseconds;

    // Runs args with env added; what it prints goes to output (a pipe's end), or nowhere.
    static pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env,
                       int output = -1) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            for (const auto& e : env) {
                ::putenv(const_cast<char*>(e.c_str()));
            }
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, 0);
            ::dup2(output >= 0 ? output : null, 1);
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
    static std::optional<int> WaitFor(pid_t pid, Milliseconds limit) {
        const auto end = Clock::now() + limit;
        do {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                return status;
            }
            std::this_thread::sleep_for(Milliseconds(20));
        } while (Clock::now() < end);
        return std::nullopt;
    }

    void TearDown() override {
        for (pid_t* pid : {&program_, &windowManager_, &xserver_}) {
            if (*pid > 0) {
                ::kill(*pid, SIGKILL);
                WaitFor(*pid, Milliseconds(5000));
                *pid = -1;
            }
        }
    }

    // The program's wait status once it has ended, within limit.
    std::optional<int> ProgramEnds(Milliseconds limit) {
        const auto status = WaitFor(program_, limit);
        program_ = status ? -1 : program_;
        return status;
    }

    // The program on the simulated boards, on our display or the offscreen one, in the test's
    // folder (where its settings are).
    void StartProgram(bool onDisplay) {
        using Env = std::vector<std::string>;
        program_ = Spawn({QUELTO_PROGRAM, "--simulate"},
                         onDisplay ? Env{"QT_QPA_PLATFORM=xcb", "DISPLAY=" + display_}
                                   : Env{"QT_QPA_PLATFORM=offscreen"});
    }

    // A virtual X server of our own, on a display number that no other test's server has: one
    // that is taken makes Xvfb end at once, and the next number is tried.
    void StartDisplay(bool windowManager = false) {
        for (int attempt = 0; attempt < 20; ++attempt) {
            const std::string number = std::to_string(100 + (::getpid() * 7 + ++displays_) % 800);
            xserver_ = Spawn({"Xvfb", ":" + number, "-nolisten", "tcp", "-noreset", "-screen", "0",
                              "1280x800x24"},
                             {});
            display_ = ":" + number;
            const auto end = Clock::now() + std::chrono::seconds(20);
            while (Clock::now() < end && !WaitFor(xserver_, Milliseconds(0))) {
                if (Succeeds({"xdotool", "getmouselocation"})) {
                    if (windowManager) {
                        windowManager_ = Spawn({"openbox"}, {"DISPLAY=" + display_});
                        std::this_thread::sleep_for(Milliseconds(500));
                    }
                    return;
                }
                std::this_thread::sleep_for(Milliseconds(50));
            }
            TearDown();
        }
        FAIL() << "Xvfb did not start";
    }

    // What a helper program run on our display prints, when it ends with success.
    std::optional<std::string> Output(const std::vector<std::string>& args) {
        int fds[2];
        if (::pipe(fds) != 0) {
            return std::nullopt;
        }
        const pid_t pid = Spawn(args, {"DISPLAY=" + display_}, fds[1]);
        ::close(fds[1]);
        std::string text;
        char buffer[256];
        ssize_t got;
        while ((got = ::read(fds[0], buffer, sizeof buffer)) > 0) {
            text.append(buffer, static_cast<size_t>(got));
        }
        ::close(fds[0]);
        const auto status = WaitFor(pid, Milliseconds(10000));
        if (!status) {
            ::kill(pid, SIGKILL);
            WaitFor(pid, Milliseconds(5000));
        }
        const bool ok = status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
        return ok ? std::optional(text) : std::nullopt;
    }

    bool Succeeds(const std::vector<std::string>& args) { return Output(args).has_value(); }

    // A window whose title holds name is on the display. The settings have been read once
    // the main window or start-up's first message shows.
    bool Shown(const std::string& name) {
        const auto end = Clock::now() + std::chrono::seconds(60);
        while (Clock::now() < end) {
            if (Succeeds({"xdotool", "search", "--name", name})) {
                return true;
            }
            std::this_thread::sleep_for(Milliseconds(100));
        }
        return false;
    }

    TempWorkDir dir;
    std::string display_;
    pid_t program_ = -1;
    pid_t xserver_ = -1;
    pid_t windowManager_ = -1;
    int displays_ = 0;
};
