// The real program under a window manager (openbox), sized and maximised from outside as a
// user does it: the window takes the size it is given, also after a sweep, and fits the
// screen from the start.
#include "tests/support/ProgramRun.h"

#include <cstdio>

namespace {

using namespace std::chrono_literals;

constexpr const char* kCaption = "Evaluation - Rev 3";

class WindowManagerTest : public ProgramRun {
protected:
    // The main window's client geometry as x, y, width, height.
    std::optional<std::array<int, 4>> Geometry() {
        const auto text = Output({"xdotool", "search", "--name", kCaption, "getwindowgeometry"});
        std::array<int, 4> g{};
        if (!text || std::sscanf(text->c_str(),
                                 "Window %*d Position: %d,%d (screen: %*d) "
                                 "Geometry: %dx%d",
                                 &g[0], &g[1], &g[2], &g[3]) != 4) {
            return std::nullopt;
        }
        return g;
    }
    void Wm(const std::vector<std::string>& args) {
        std::vector<std::string> call{"wmctrl", "-r", kCaption};
        call.insert(call.end(), args.begin(), args.end());
        ASSERT_TRUE(Succeeds(call));
    }
    // The width once it has settled at what was asked (or what it stays at, after a while):
    // a snap back would come within a fraction of a second.
    int SettledWidth(int wanted) {
        const auto end = Clock::now() + 5s;
        int width = -1;
        while (Clock::now() < end) {
            if (const auto g = Geometry()) {
                width = (*g)[2];
            }
            if (width == wanted) {
                std::this_thread::sleep_for(500ms);
                const auto g = Geometry();
                return g ? (*g)[2] : -1;
            }
            std::this_thread::sleep_for(100ms);
        }
        return width;
    }
};

} // namespace

TEST_F(WindowManagerTest, TheMainWindowTakesTheSizeItIsGivenAfterASweep) {
    dir.Write("QueltoEval.cfg", "Device = KXS306\r\nInterface = 1\r\nPort Address = 888\r\n");
    ASSERT_NO_FATAL_FAILURE(StartDisplay(true));
    StartProgram(true);
    ASSERT_TRUE(Shown(kCaption));
    std::this_thread::sleep_for(1s);
    auto g = Geometry();
    ASSERT_TRUE(g);
    EXPECT_LE((*g)[1] + (*g)[3], 800) << "the window runs off the screen";

    ASSERT_TRUE(Succeeds(
        {"xdotool", "search", "--name", kCaption, "windowactivate", "--sync", "key", "F5"}));
    std::this_thread::sleep_for(1500ms);
    Wm({"-e", "0,100,100,1000,600"});
    EXPECT_EQ(SettledWidth(1000), 1000);
    g = Geometry();
    ASSERT_TRUE(g);
    EXPECT_EQ((*g)[3], 600);

    // Maximised and back, every time.
    for (int i = 0; i < 3; ++i) {
        Wm({"-b", "toggle,maximized_vert,maximized_horz"});
        const int wanted = i % 2 == 0 ? 1280 : 1000;
        EXPECT_EQ(SettledWidth(wanted), wanted) << i;
    }
}
