#include "app/Analyzer.h"
#include "app/ConfigFile.h"
#include "app/Startup.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/FakeFrontend.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class ConfigFileTest : public AppStateTest {
protected:
    TempWorkDir dir;
};

} // namespace

TEST_F(ConfigFileTest, WritesTheFourLinesByteExact) {
    auto& app = App();
    app.DeviceName = "KXS201";
    app.InterfaceCode = 1;
    app.SweepLength = 2048;
    app.PortAddress = 888;
    WriteConfigFile();
    EXPECT_EQ(dir.Read("QueltoEval.cfg"), "Device = KXS201\r\n"
                                          "Interface =  1 \r\n"
                                          "Plot Samples =  2048 \r\n"
                                          "Port Address =  888 \r\n");

    app.DeviceName = "None";
    app.InterfaceCode = 0;
    app.SweepLength = 32768;
    app.PortAddress = -1;
    WriteConfigFile();
    EXPECT_EQ(dir.Read("QueltoEval.cfg"), "Device = None\r\n"
                                          "Interface =  0 \r\n"
                                          "Plot Samples =  32768 \r\n"
                                          "Port Address = -1 \r\n");
    // Nothing but the file itself is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST_F(ConfigFileTest, RoundTripsEveryValue) {
    for (int16_t port : {int16_t(888), int16_t(0x3BC), int16_t(-32768), int16_t(0)}) {
        auto& app = App();
        app.DeviceName = "KXS307";
        app.InterfaceCode = 2;
        app.SweepLength = 65540;
        app.PortAddress = port;
        WriteConfigFile();
        ResetAppState();
        ReadConfigFile();
        EXPECT_EQ(App().DeviceName, "KXS307");
        EXPECT_EQ(App().InterfaceCode, 2);
        EXPECT_EQ(App().SweepLength, 65540);
        EXPECT_EQ(App().PortAddress, port);
    }
}

TEST_F(ConfigFileTest, ReadsLinesInAnyOrderAndKeepsTheLastRepeat) {
    dir.Write("QueltoEval.cfg", "Port Address =  632 \r\n"
                                "Device = KXS202\r\n"
                                "device = KXS306\r\n"
                                "Colour = blue\r\n"
                                "Interface =  1 \r\n"
                                "Interface =  2 \r\n"
                                "Plot Samples = 1024.5\n"); // LF only, a tie rounded to even
    ReadConfigFile();
    const auto& app = App();
    EXPECT_EQ(app.DeviceName, "KXS202");
    EXPECT_EQ(app.InterfaceCode, 2);
    EXPECT_EQ(app.SweepLength, 1024);
    EXPECT_EQ(app.PortAddress, 632);
}

TEST_F(ConfigFileTest, MissingLinesKeepTheirDefaultsAndValuesAreNotChecked) {
    dir.Write("QueltoEval.cfg", "Device = KXS307\r\n");
    ReadConfigFile();
    EXPECT_EQ(App().DeviceName, "KXS307");
    EXPECT_EQ(App().InterfaceCode, 0);
    EXPECT_EQ(App().SweepLength, 2048);
    EXPECT_EQ(App().PortAddress, 0);

    dir.Write("QueltoEval.cfg", "Device = kxs999 \r\nInterface =  7 \r\n");
    ReadConfigFile();
    EXPECT_EQ(App().DeviceName, "kxs999 ");
    EXPECT_EQ(App().InterfaceCode, 7);
}

TEST_F(ConfigFileTest, IgnoresLinesOutsideTheFormat) {
    dir.Write("QueltoEval.cfg", "Device KXS201\r\n"                   // no "="
                                "= KXS201\r\n"                        // "=" first
                                "D= KXS201\r\n"                       // "=" second
                                "Interface = one\r\n"                 // not a number
                                "Interface =  1 2 \r\n"               // two numbers
                                "Port Address =  40000 \r\n"          // beyond 16 bits
                                "Plot Samples =  9999999999 \r\n"     // beyond 32 bits
                                "Device = KXS306,Interface = 1\r\n"); // comma ends a field
    ReadConfigFile();
    EXPECT_EQ(App().DeviceName, "KXS306");
    EXPECT_EQ(App().InterfaceCode, 1);
    EXPECT_EQ(App().PortAddress, 0);
    EXPECT_EQ(App().SweepLength, 2048);
}

TEST_F(ConfigFileTest, SweepLengthsTheBuffersCannotHoldReadAsZero) {
    for (const char* value : {"-1", "65541", "0"}) {
        App().SweepLength = 2048;
        dir.Write("QueltoEval.cfg", std::string("Plot Samples = ") + value + "\r\n");
        ReadConfigFile();
        EXPECT_EQ(App().SweepLength, 0) << value;
    }
}

TEST_F(ConfigFileTest, SurvivesEmptyBinaryAndHugeFiles) {
    dir.Write("QueltoEval.cfg", "");
    ReadConfigFile();
    EXPECT_EQ(App().DeviceName, "None");

    std::string binary;
    for (int i = 0; i < 4096; ++i) {
        binary.push_back(static_cast<char>(i * 131 % 256));
    }
    dir.Write("QueltoEval.cfg", binary + "\nDevice = KXS201\n");
    ReadConfigFile();
    EXPECT_EQ(App().DeviceName, "KXS201");

    // A 20 MB line followed by a real setting.
    dir.Write("QueltoEval.cfg", "Device = " + std::string(20'000'000, 'x') + "\nInterface = 2\n");
    ReadConfigFile();
    EXPECT_EQ(App().DeviceName, "KXS201");
    EXPECT_EQ(App().InterfaceCode, 2);
}

TEST_F(ConfigFileTest, UnreadableOrUnwritablePlacesAreSilent) {
    ReadConfigFile(dir.path() / "missing.cfg");
    EXPECT_EQ(App().DeviceName, "None");

    const auto nowhere = dir.path() / "no-such-folder" / "QueltoEval.cfg";
    WriteConfigFile(nowhere);
    EXPECT_FALSE(std::filesystem::exists(nowhere));

    // A folder in the way of the file: the old content stays, nothing is left behind.
    std::filesystem::create_directory(dir.path() / "QueltoEval.cfg");
    WriteConfigFile();
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "QueltoEval.cfg"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST_F(ConfigFileTest, TemporaryCannotBeRedirectedAndTheFileKeepsItsPermissions) {
    // A link planted where a predictable temporary would go must not be followed.
    dir.Write("victim", "precious");
    const auto planted = "QueltoEval.cfg.tmp" + std::to_string(::getpid());
    std::filesystem::create_symlink(dir.path() / "victim", dir.path() / planted);
    dir.Write("QueltoEval.cfg", "Device = KXS201\r\n");
    std::filesystem::permissions(dir.path() / "QueltoEval.cfg",
                                 std::filesystem::perms::owner_read |
                                     std::filesystem::perms::owner_write);
    App().DeviceName = "KXS306";
    WriteConfigFile();
    EXPECT_EQ(dir.Read("victim"), "precious");
    EXPECT_EQ(dir.Read("QueltoEval.cfg").substr(0, 15), "Device = KXS306");
    EXPECT_EQ(std::filesystem::status(dir.path() / "QueltoEval.cfg").permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

TEST_F(ConfigFileTest, AFifoIsNotReadAsSettings) {
    ASSERT_EQ(::mkfifo("QueltoEval.cfg", 0600), 0);
    auto reading = std::async(std::launch::async, [] { ReadConfigFile(); });
    if (reading.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        // Let the blocked reader go before failing.
        ::close(::open("QueltoEval.cfg", O_WRONLY | O_NONBLOCK));
        reading.wait();
        FAIL() << "reading a FIFO waited for a writer";
    }
    EXPECT_EQ(App().DeviceName, "None");
}

TEST_F(ConfigFileTest, ExitPathsWriteOnceAndNeverBeforeTheSettingsWereRead) {
    FakeFrontend ui;
    mnuExit_Click();
    EXPECT_FALSE(std::filesystem::exists("QueltoEval.cfg"));
    EXPECT_TRUE(ui.ended);

    App().SettingsRead = true;
    SaveSettingsAtExit();
    EXPECT_TRUE(std::filesystem::exists("QueltoEval.cfg"));
    std::filesystem::remove("QueltoEval.cfg");
    mnuExit_Click();
    EXPECT_FALSE(std::filesystem::exists("QueltoEval.cfg"));
}
