// The real program run as a user runs it: on a virtual X display of its own (with a window
// manager when asked) or offscreen, with helper programs such as xdotool to look at it.
#pragma once

#include "tests/support/TempDir.h"
#include "tests/support/VirtualDisplay.h"

#include <gtest/gtest.h>

class ProgramRun : public ::testing::Test {
protected:
    using Clock = testproc::Clock;
    using Milliseconds = testproc::Milliseconds;

    void TearDown() override {
        testproc::Kill(program_);
        display_.Stop();
    }

    // The program's wait status once it has ended, within limit.
    std::optional<int> ProgramEnds(Milliseconds limit) {
        const auto status = testproc::WaitFor(program_, limit);
        program_ = status ? -1 : program_;
        return status;
    }

    // The program on the simulated boards, on our display or the offscreen one, in the test's
    // folder (where its settings are).
    void StartProgram(bool onDisplay) {
        using Env = std::vector<std::string>;
        program_ =
            testproc::Spawn({QUELTO_PROGRAM, "--simulate"},
                            onDisplay ? Env{"QT_QPA_PLATFORM=xcb", "DISPLAY=" + display_.Name()}
                                      : Env{"QT_QPA_PLATFORM=offscreen"});
    }

    // A virtual X server of our own, with a window manager when asked.
    void StartDisplay(bool windowManager = false) {
        if (!display_.Start(windowManager)) {
            FAIL() << "Xvfb did not start";
        }
    }

    // What a helper program run on our display prints, when it ends with success.
    std::optional<std::string> Output(const std::vector<std::string>& args) {
        return testproc::Output(args, display_.Name());
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
    VirtualDisplay display_;
    pid_t program_ = -1;
};
