#include "app/Hardware.h"
#include "app/Startup.h"
#include "commands/Sweep.h"
#include "commands/UsbSelect.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/PortRecorder.h"
#include "tests/support/TempDir.h"

namespace {

class StartupTest : public AppStateTest {
protected:
    void WriteConfig(const std::string& device, int interface, int port = 888) {
        dir.Write("QueltoEval.cfg", "Device = " + device +
                                        "\r\nInterface =  " + std::to_string(interface) +
                                        " \r\nPort Address =  " + std::to_string(port) + " \r\n");
    }

    TempWorkDir dir;
    FakeClock clock{1e-9};
    FakeFrontend ui;
    PortRecorder port;
};

} // namespace

// Only what the load computes; values it merely resets are the state's own defaults, and
// how the window shows them is checked on the real one.
TEST_F(StartupTest, DefaultsWithoutAConfigurationFile) {
    Main("");
    const auto& m = App().mdiAnalyzer;
    // The timing is left to the events after the window showed.
    EXPECT_TRUE(!App().DelayCalibrated && ui.betweenEvents.size() == 1);
    EXPECT_EQ(m.txtInterface.text + m.txtPort.text + m.txtFileIndex.text, "NONENONE1");
    EXPECT_EQ(m.form.width, 1280 * 15 - 100);
    const auto& x = App().frmData.lblPlotX;
    EXPECT_EQ(x[1].caption + " " + x[2].caption + " " + x[3].caption, "512 1024 1536");
    EXPECT_EQ(ui.MessageTexts(),
              std::vector<std::string>{"Please select an interface before taking data"});
    EXPECT_EQ(ui.shown, (std::vector<FormId>{FormId::frmData, FormId::mdiAnalyzer}));

    // With the spectrum on, its window opens too.
    ui.shown.clear();
    App().FftOn = true;
    MDIForm_Load();
    EXPECT_TRUE(m.mnuFFTon.checked);
    EXPECT_EQ(ui.shown, (std::vector<FormId>{FormId::frmData, FormId::frmFFT}));
}

TEST_F(StartupTest, CommandLineDeviceOverridesTheConfigurationButNotForKXS305) {
    WriteConfig("KXS201", 1);
    Main("KXS306");
    EXPECT_TRUE(App().mdiAnalyzer.mnuKxs306.checked);

    for (const char* text : {"KXS305", "kxs306", "KXS306 ", "KXS201 KXS202"}) {
        ResetAppState();
        Main(text);
        EXPECT_EQ(App().DeviceName, "KXS201") << text;
    }
    dir.Write("QueltoEval.cfg", "");
    ResetAppState();
    Main("KXS305");
    EXPECT_EQ(App().DeviceName, "None");
}

// Whether the port opens at all is checked by sweeping on it after start-up.
TEST_F(StartupTest, ARefusedPortIsSaidAndStillShown) {
    WriteConfig("KXS202", 1, 0x378);
    port.openSucceeds = false;
    Main("");
    // The refusal is said (its text is checked with the port dialog); the window shows the
    // port all the same.
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(port.opened, std::vector<uint16_t>{0x378});
    EXPECT_TRUE(App().mdiAnalyzer.mnuPort.checked);
}

// The whole start-up and a sweep with nothing but the core: each saved interface on the
// simulated boards, the adapter dialog answered as a user would.
TEST_F(StartupTest, EveryInterfaceStartsAndSweepsWithoutAWindow) {
    struct Case {
        int interface;
        std::vector<int> adapters;
        std::string shown; // interface and port boxes after start-up
        std::vector<std::string> messages;
        int32_t samples;
    } cases[] = {
        {1, {}, "Parallel 378", {}, 64},
        {2, {0}, "USB Ezusb-0", {}, 64},
        {2, {}, "NONE NONE", {"Please select an interface first"}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        ResetAppState();
        ui.messages.clear();
        ui.modals.clear();
        dir.Write("QueltoEval.cfg",
                  "Device = KXS306\r\nInterface = " + std::to_string(c.interface) +
                      "\r\nPlot Samples = 64\r\nPort Address = 888\r\n");
        CommandLine simulated = ParseCommandLine({"--simulate"});
        simulated.simulateAdapters = c.adapters;
        InstallHardware(simulated);
        ui.OnModal(FormId::frmUSBselect, [] { frmUSBselect_cmdOK_Click(); });
        Main("");
        // Only a missing adapter brings up the selection, which searched as it showed.
        EXPECT_EQ(ui.modals.size(), c.interface == 2 && c.adapters.empty() ? 1u : 0u);
        const auto& m = App().mdiAnalyzer;
        EXPECT_EQ(m.txtInterface.text + " " + m.txtPort.text, c.shown);
        cmdSingleSweep_Click();
        EXPECT_EQ(ui.MessageTexts(), c.messages);
        EXPECT_EQ(App().SamplesTaken, c.samples);
        // No events came, so a sweep that could start measured the timing first.
        EXPECT_EQ(App().DelayLoopCount, c.samples > 0 ? 10000 : 200);
        RemoveHardware();
    }
}

TEST_F(StartupTest, UnknownSettingsAreKeptOrMadeSafe) {
    dir.Write("QueltoEval.cfg", "Device = KXS999\r\nInterface =  7 \r\nPlot Samples =  0 \r\n");
    Main("");
    EXPECT_EQ(App().InterfaceCode, 0);
    EXPECT_EQ(App().mdiAnalyzer.txtDevice.text, "KXS999");
    // No plot length: the usual one.
    EXPECT_EQ(App().mdiAnalyzer.DatalogLengthCBX.text, "2048");
}

TEST(CommandLine, OwnOptionsAndTheDeviceText) {
    EXPECT_EQ(ParseCommandLine({"KXS201", "extra", "words"}).text, "KXS201 extra words");
    EXPECT_TRUE(ParseCommandLine({"--help"}).help);
    auto cl = ParseCommandLine({"--frobnicate", "--version"});
    EXPECT_EQ(cl.error, "unknown option --frobnicate");
    EXPECT_TRUE(cl.version);

    // The simulation options: a fixed board, adapter numbers 0..3 each once.
    cl = ParseCommandLine(
        {"--simulate=KXS201", "--simulate-adapters=2,0", "--direct-io", "--simulate-amplitude=0"});
    EXPECT_TRUE(cl.simulate && cl.directIo);
    EXPECT_EQ(cl.simulateAmplitude, 0.0);
    EXPECT_EQ(cl.simulateModel, "KXS201");
    EXPECT_EQ(cl.simulateAdapters, (std::vector<int>{2, 0}));
    EXPECT_TRUE(cl.error.empty());
    for (const char* bad : {"--simulate=KXS999", "--simulate-adapters=4", "--simulate-adapters=1,1",
                            "--simulate-adapters=", "--simulate-adapters=0,,1",
                            "--simulate-amplitude=1.5", "--simulate-amplitude=x"}) {
        EXPECT_FALSE(ParseCommandLine({bad}).error.empty()) << bad;
    }
}
