// Sweeps driven through the main window's commands against the simulated boards, with the
// fake frontend playing the user (Stop, a second "Plot Data").
#include "app/Analyzer.h"
#include "interfaces/UsbSpiDrivers.h"
#include "platform/EzUsbDriver.h"
#include "platform/PortIo.h"
#include "plots/PlotSetup.h"
#include "sensors/DeviceSelect.h"
#include "sensors/ReadData.h"
#include "sensors/Sweep.h"
#include "simulator/SimBoards.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/FakeClock.h"
#include "tests/support/FakeFrontend.h"
#include "tests/support/RecordingCanvas.h"
#include "tests/support/ScriptedEzUsb.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

namespace {

class SweepTest : public AppStateTest {
protected:
    void SetUp() override {
        AppStateTest::SetUp();
        auto& app = App();
        app.DelayCalibrated = true;
        app.DelayLoopCount = 10;
        app.MinimumDelayMs = 0.0004f;
    }
    void TearDown() override {
        ClosePort();
        InstallPortBackend(nullptr);
        SimulatedBoards().Detach();
        AppStateTest::TearDown();
    }

    void OnPort(void (*selectModel)()) {
        SimulatedBoards().Attach("");
        InstallPortBackend(&SimulatedBoards().port);
        auto& app = App();
        app.InterfaceCode = 1;
        app.PortAddress = 0x378;
        std::string reason;
        ASSERT_TRUE(OpenPort(0x378, reason)) << reason;
        selectModel();
    }

    // Stop is pressed once this many samples are in.
    void StopAt(int32_t samples) {
        ui.OnEveryDoEvents([samples] {
            if (App().SamplesTaken >= samples) {
                cmdStop_Click();
            }
        });
    }

    FakeFrontend ui;
    FakeClock clock;
};

} // namespace

TEST_F(SweepTest, SetupNeedsInterfaceDeviceAndAnOpenPortAndNormalisesTheDelay) {
    auto& app = App();
    auto& m = app.mdiAnalyzer;
    EXPECT_FALSE(SetupOK());
    app.InterfaceCode = 1;
    EXPECT_FALSE(SetupOK());
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, "Please select an interface first");
    EXPECT_EQ(ui.messages[0].title, "Quelto Evaluation Program");
    EXPECT_EQ(ui.messages[1].text, "Please select a device first");
    EXPECT_EQ(m.txtInterface.text, "None");
    EXPECT_EQ(m.txtPort.text, "None");
    EXPECT_EQ(m.txtDevice.text, "None");

    // The port was refused: reads would only show the missing-board pattern.
    app.DeviceName = "KXS306";
    app.PortAddress = 0x378;
    EXPECT_FALSE(SetupOK());
    EXPECT_NE(ui.messages.back().text.find("parallel port at 378 is not open"), std::string::npos);

    OnPort(mnuKxs306_Click);
    for (const auto& [text, shown, ms] : {std::tuple{"-5", "0.00", 0.0f},
                                          {"70000", "60000.00", 60000.0f},
                                          {"abc", "0.00", 0.0f},
                                          {" 12.5ms", "12.50", 12.5f},
                                          {"1e999", "0.00", 0.0f}}) {
        m.txtLoopDelay.text = text;
        EXPECT_TRUE(SetupOK()) << text;
        EXPECT_EQ(m.txtLoopDelay.text, shown) << text;
        EXPECT_EQ(app.LoopDelayMs, ms) << text;
    }
    // An empty box keeps the delay.
    m.txtLoopDelay.text = "70000";
    EXPECT_TRUE(SetupOK());
    m.txtLoopDelay.text = "";
    EXPECT_TRUE(SetupOK());
    EXPECT_EQ(m.txtLoopDelay.text, "60000.00");
}

TEST_F(SweepTest, StoppedSweepKeepsWhatItTookAndItsStatistics) {
    OnPort(mnuKxs306_Click);
    auto& app = App();
    app.SweepLength = 256;
    StopAt(10);
    cmdSingleSweep_Click();

    EXPECT_EQ(app.SamplesTaken, 10);
    EXPECT_TRUE(app.StopRequested);
    const float first = (float(app.RawCodes[1]) - 2048.0f) * app.ChannelScale[0];
    EXPECT_EQ(app.Samples[0], first);
    EXPECT_NE(app.RawCodes[1], 0); // the simulated board answered
    const float mean = std::accumulate(&app.Samples[0], &app.Samples[10], 0.0f) / 10.0f;
    EXPECT_NEAR(app.StatMean, mean, 1e-4);
    EXPECT_GT(app.SampleRateHz, 0.0f);
    EXPECT_TRUE(std::isfinite(app.SampleRateHz));
    EXPECT_EQ(ui.busyChanges, (std::vector<bool>{true, false}));
    EXPECT_EQ(app.mdiAnalyzer.focus, "cmdSingleSweep");
    EXPECT_TRUE(app.mdiAnalyzer.cmdSingleSweep.enabled);
}

TEST_F(SweepTest, SweepDrawsWhatFitsAndStoresTheRest) {
    // 2048 samples on a 2048-twip plot: one twip a sample, the last one only stored.
    RecordingCanvas pic{2048, 1000};
    App().frmData.pic1 = &pic;
    OnPort(mnuKxs307_Click);
    auto& app = App();
    app.SweepLength = 2048;
    ApplyPlotLength();
    cmdSingleSweep_Click();
    App().frmData.pic1 = nullptr;

    EXPECT_EQ(app.SamplesTaken, 2048);
    EXPECT_EQ(app.PlotIndex, 2047);
    int traceSegments = 0;
    for (const auto& op : pic.ops) {
        traceSegments += op.kind == CanvasOp::Line && op.colour == Rgb{0, 0, 128};
    }
    EXPECT_EQ(traceSegments, 2047 + 1); // one per sample, and the flat start
    EXPECT_NE(app.RawCodes[2048], 0);
    EXPECT_EQ(app.Samples[2047], ChannelValue(app.RawCodes[2048], 0));
}

TEST_F(SweepTest, ClockThatDoesNotAdvanceGivesNoRateInsteadOfInfinity) {
    clock.secondsPerIteration = 0;
    OnPort(mnuKxs201_Click);
    auto& app = App();
    app.SweepLength = 16;
    cmdSingleSweep_Click();
    EXPECT_EQ(app.SamplesTaken, 16);
    EXPECT_EQ(app.SamplePeriod, 0.0f);
    EXPECT_EQ(app.SampleRateHz, 0.0f);
    EXPECT_EQ(app.frmData.lblTsample.caption, "0.00");
}

TEST_F(SweepTest, ContinuousRunEndsAtStopAndRefusesASecondStart) {
    OnPort(mnuKxs202_Click);
    auto& app = App();
    auto& m = app.mdiAnalyzer;
    app.SweepLength = 32;
    m.chkContinuous.value = 1;
    chkContinuous_Click();
    ASSERT_TRUE(app.ContinuousMode);

    bool pressedAgain = false;
    ui.OnEveryDoEvents([&] {
        // Second sweep under way: "Plot Data" again, then Stop.
        if (ui.busyChanges.size() == 3 && app.SamplesTaken == 5 && !pressedAgain) {
            pressedAgain = true;
            EXPECT_TRUE(AcquisitionRunning());
            EXPECT_FALSE(m.cmdSingleSweep.enabled);
            cmdSingleSweep_Click();
            cmdStop_Click();
        }
    });
    cmdSingleSweep_Click();

    EXPECT_TRUE(pressedAgain);
    EXPECT_EQ(ui.busyChanges, (std::vector<bool>{true, false, true, false}));
    EXPECT_EQ(app.SamplesTaken, 5);
    EXPECT_FALSE(AcquisitionRunning());
    EXPECT_TRUE(m.cmdSingleSweep.enabled);
    EXPECT_EQ(m.focus, "cmdStop");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SweepTest, LengthBeyondTheBuffersIsCapped) {
    OnPort(mnuKxs201_Click);
    auto& app = App();
    app.SweepLength = kMaxSampleIndex + 100;
    EXPECT_TRUE(AcquireSweep());
    EXPECT_EQ(app.SamplesTaken, kMaxSampleIndex);
}

TEST_F(SweepTest, LostAdapterEndsTheSweepAndTheInterface) {
    ScriptedEzUsbDriver usb;
    usb.Attach(0);
    auto& app = App();
    auto& m = app.mdiAnalyzer;
    FindUsbAdapters();
    ASSERT_TRUE(app.CurrentAdapter.Present);
    app.InterfaceCode = 2;
    m.mnuUSB.checked = true;
    mnuKxs307_Click();
    app.SweepLength = 256;
    usb.failIf = [](const RecordedRequest&) { return App().SamplesTaken >= 20; };

    cmdSingleSweep_Click();
    EXPECT_EQ(app.SamplesTaken, 20);
    EXPECT_EQ(app.InterfaceCode, 0);
    EXPECT_EQ(m.txtInterface.text, "None");
    EXPECT_EQ(m.txtPort.text, "None");
    EXPECT_FALSE(m.mnuUSB.checked);

    const size_t before = ui.messages.size();
    cmdSingleSweep_Click();
    ASSERT_EQ(ui.messages.size(), before + 1);
    EXPECT_EQ(ui.messages.back().text, "Please select an interface first");
}

TEST_F(SweepTest, ReadTempNeedsInterfaceAndDeviceThenShowsTheTemperature) {
    mnuReadTemp_Click();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Please select an interface first");

    OnPort(mnuKxs201_Click);
    mnuReadTemp_Click();
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(App().frmData.lblTemp.caption, "25.00");
}
