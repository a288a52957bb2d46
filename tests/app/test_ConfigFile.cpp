#include "app/ConfigFile.h"
#include "app/Startup.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/TempDir.h"

#include <filesystem>

#include <unistd.h>

namespace {

class ConfigFileTest : public AppStateTest {
protected:
    TempWorkDir dir;
};

} // namespace

TEST_F(ConfigFileTest, WritesTheFourLinesByteExactAndReadsThemBack) {
    const struct {
        const char* device;
        int16_t interface;
        int32_t samples;
        int16_t port;
        const char* text;
    } cases[] = {
        {"None", 0, 32768, -1,
         "Device = None\r\nInterface =  0 \r\nPlot Samples =  32768 \r\nPort Address = -1 \r\n"},
        {"KXS307", 2, 65540, -32768,
         "Device = KXS307\r\nInterface =  2 \r\nPlot Samples =  65540 \r\n"
         "Port Address = -32768 \r\n"},
    };
    for (const auto& c : cases) {
        auto& app = App();
        app.DeviceName = c.device;
        app.InterfaceCode = c.interface;
        app.SweepLength = c.samples;
        app.PortAddress = c.port;
        WriteConfigFile();
        EXPECT_EQ(dir.Read("QueltoEval.cfg"), c.text);
        ResetAppState();
        ReadConfigFile();
        EXPECT_EQ(
            std::tuple(App().DeviceName, App().InterfaceCode, App().SweepLength, App().PortAddress),
            std::tuple(std::string(c.device), c.interface, c.samples, c.port));
    }
}

// What each file reads as, from the defaults None, 0, 2048 and 0.
TEST_F(ConfigFileTest, ReadsTheFourSettingsFromAnyFile) {
    std::string binary;
    for (int i = 0; i < 4096; ++i) {
        binary.push_back(static_cast<char>(i * 131 % 256));
    }
    const struct {
        std::string text;
        const char* device;
        int16_t interface;
        int32_t samples;
        int16_t port;
    } cases[] = {
        // Any order, the last repeat kept, other keys ignored; LF alone ends a line too, and
        // a tie is rounded to even.
        {"Port Address =  632 \r\nDevice = KXS202\r\ndevice = KXS306\r\nColour = blue\r\n"
         "Interface =  1 \r\nInterface =  2 \r\nPlot Samples = 1024.5\n",
         "KXS202", 2, 1024, 632},
        // Values are not checked.
        {"Device = kxs999 \r\nInterface =  7 \r\n", "kxs999 ", 7, 2048, 0},
        // No "=", "=" first or second, not a number, two numbers, beyond 16 or 32 bits; a
        // comma ends a field.
        {"Device KXS201\r\n= KXS201\r\nD= KXS201\r\nInterface = one\r\nInterface =  1 2 \r\n"
         "Port Address =  40000 \r\nPlot Samples =  9999999999 \r\n"
         "Device = KXS306,Interface = 1\r\n",
         "KXS306", 1, 2048, 0},
        // Lengths the sample buffers cannot hold read as 0.
        {"Plot Samples = -1\r\n", "None", 0, 0, 0},
        {"Plot Samples = 65541\r\n", "None", 0, 0, 0},
        {"Plot Samples = 0\r\n", "None", 0, 0, 0},
        {"", "None", 0, 2048, 0},
        {binary + "\nDevice = KXS201\n", "KXS201", 0, 2048, 0},
        // A 20 MB line followed by a real setting.
        {"Device = " + std::string(20'000'000, 'x') + "\nInterface = 2\n", "None", 2, 2048, 0},
    };
    for (const auto& c : cases) {
        ResetAppState();
        dir.Write("QueltoEval.cfg", c.text);
        ReadConfigFile();
        EXPECT_EQ(
            std::tuple(App().DeviceName, App().InterfaceCode, App().SweepLength, App().PortAddress),
            std::tuple(std::string(c.device), c.interface, c.samples, c.port))
            << c.text.substr(0, 60);
    }
}

TEST_F(ConfigFileTest, AnUnwritablePlaceIsSaidOnceARunNamingTheFileAndWhy) {
    // A folder in the way of the file: the old content stays, nothing is left behind. The
    // first change of a run says so, the next one and the exit do not.
    FakeFrontend ui;
    std::filesystem::create_directory(dir.path() / "QueltoEval.cfg");
    ReadSettings();
    for (const char* device : {"KXS201", "KXS202"}) {
        App().DeviceName = device;
        SaveChangedSettings();
    }
    SaveSettingsAtExit();
    EXPECT_EQ(ui.MessageHeads(), std::vector<std::string>{
                                     "The settings could not be saved in " +
                                     (std::filesystem::current_path() / "QueltoEval.cfg").string() +
                                     ": Is a directory."});
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    // A run that changed nothing says it on the way out, where a box would hold up a signal.
    ResetAppState();
    ReadSettings();
    ::testing::internal::CaptureStderr();
    SaveSettingsAtExit();
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("could not be saved"),
              std::string::npos);
}

// A change is on disk at once, and only a change once start-up has read the file.
TEST_F(ConfigFileTest, AChangeIsWrittenAtOnceAndNothingElseTouchesTheFile) {
    dir.Write("QueltoEval.cfg", "Device = KXS201\r\nInterface =  1 \r\nPlot Samples =  2048 \r\n"
                                "Port Address =  888 \r\n");
    std::filesystem::create_hard_link("QueltoEval.cfg", "second name");
    App().SweepLength = 4096;
    SaveChangedSettings();
    ResetAppState();
    ReadSettings();
    SaveChangedSettings();
    SaveSettingsAtExit();
    EXPECT_EQ(std::filesystem::hard_link_count("QueltoEval.cfg"), 2u);
    App().SweepLength = 4096;
    SaveChangedSettings();
    EXPECT_EQ(dir.Read("QueltoEval.cfg"), "Device = KXS201\r\nInterface =  1 \r\n"
                                          "Plot Samples =  4096 \r\nPort Address =  888 \r\n");
}

TEST_F(ConfigFileTest, TemporaryCannotBeRedirectedAndTheFileKeepsItsPermissions) {
    // A link planted where a predictable temporary would go must not be followed.
    dir.Write("victim", "precious");
    const auto planted = "QueltoEval.cfg.tmp" + std::to_string(::getpid());
    std::filesystem::create_symlink(dir.path() / "victim", dir.path() / planted);
    dir.Write("QueltoEval.cfg", "Device = KXS201\r\n");
    // Not the mode a fresh temporary gets.
    const auto mode = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                      std::filesystem::perms::group_read;
    std::filesystem::permissions(dir.path() / "QueltoEval.cfg", mode);
    App().DeviceName = "KXS306";
    WriteConfigFile();
    EXPECT_EQ(dir.Read("victim"), "precious");
    EXPECT_EQ(dir.Read("QueltoEval.cfg").substr(0, 15), "Device = KXS306");
    EXPECT_EQ(std::filesystem::status(dir.path() / "QueltoEval.cfg").permissions(), mode);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

TEST_F(ConfigFileTest, ExitPathsStopARunAndWriteOnceButNeverBeforeTheSettingsWereRead) {
    FakeFrontend ui;
    App().StopRequested = false; // as during a sweep
    mnuExit_Click();
    EXPECT_TRUE(App().StopRequested && ui.ended);
    EXPECT_FALSE(std::filesystem::exists("QueltoEval.cfg"));

    App().SettingsRead = true;
    SaveSettingsAtExit();
    EXPECT_TRUE(std::filesystem::exists("QueltoEval.cfg"));
    std::filesystem::remove("QueltoEval.cfg");
    mnuExit_Click();
    EXPECT_FALSE(std::filesystem::exists("QueltoEval.cfg"));
}
