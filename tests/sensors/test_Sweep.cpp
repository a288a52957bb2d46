// Sweeps driven through the main window's commands against the simulated boards, with the
// fake frontend playing the user (Stop, a second "Plot Data").
#include "commands/DeviceSelect.h"
#include "commands/PortSetup.h"
#include "commands/Sweep.h"
#include "interfaces/UsbSpiDrivers.h"
#include "plots/PlotSetup.h"
#include "tests/support/PortRecorder.h"
#include "tests/support/RecordingCanvas.h"
#include "tests/support/SimulatedPortTest.h"

#include <numeric>

namespace {

class SweepTest : public SimulatedPortTest {
protected:
    void OnPort(void (*selectModel)()) {
        AttachOnPort("", 0x378);
        selectModel();
    }
};

} // namespace

TEST_F(SweepTest, SetupAndReadTempNeedAnInterfaceADeviceAndAnOpenPort) {
    auto& app = App();
    auto& m = app.mdiAnalyzer;
    EXPECT_FALSE(SetupOK());
    mnuReadTemp_Click();
    app.InterfaceCode = 1;
    EXPECT_FALSE(SetupOK());
    // The port was refused: reads would only show the missing-board pattern.
    app.DeviceName = "KXS306";
    app.PortAddress = 0x378;
    EXPECT_FALSE(SetupOK());
    ASSERT_EQ(ui.messages.size(), 4u);
    EXPECT_EQ(ui.messages[1].text, "Please select an interface first");
    EXPECT_EQ(ui.messages[2].text, "Please select a device first");
    EXPECT_NE(ui.messages[3].text.find("parallel port at 378 is not open"), std::string::npos);
    EXPECT_EQ(m.txtInterface.text + m.txtPort.text + m.txtDevice.text, "NoneNoneNone");

    OnPort(mnuKxs306_Click);
    mnuReadTemp_Click();
    EXPECT_EQ(app.frmData.lblTemp.caption, "25.00");
    // The delay stays within 0..60000 ms; an empty box keeps the last one.
    for (const auto& [text, shown] :
         {std::pair{"-5", "0.00"}, {" 12.5 ", "12.50"}, {"70000", "60000.00"}, {"", "60000.00"}}) {
        m.txtLoopDelay.text = text;
        EXPECT_TRUE(SetupOK()) << text;
        EXPECT_EQ(m.txtLoopDelay.text, shown) << text;
    }
    // Text that is not a number is refused, naming it, and the last delay shows again.
    m.txtLoopDelay.text = "12abc";
    EXPECT_FALSE(SetupOK());
    EXPECT_EQ(m.txtLoopDelay.text + ui.messages.at(4).text,
              "60000.00The Read Delay \"12abc\" is not a number. Give the wait between samples "
              "in milliseconds, from 0 to 60000.");
}

TEST_F(SweepTest, StopEndsASweepOrAContinuousRunKeepingWhatWasTaken) {
    OnPort(mnuKxs306_Click);
    auto& app = App();
    auto& m = app.mdiAnalyzer;
    app.SweepLength = 256;
    ui.OnEveryDoEvents([&] {
        if (app.SamplesTaken == 10) {
            cmdStop_Click();
        }
    });
    cmdSingleSweep_Click();
    EXPECT_EQ(app.SamplesTaken, 10);
    const float mean = std::accumulate(&app.Samples[0], &app.Samples[10], 0.0f) / 10.0f;
    EXPECT_NEAR(app.StatMean, mean, 1e-4);
    EXPECT_EQ(m.focus, "cmdSingleSweep");

    // A continuous run: five samples into its second sweep, "Plot Data" again, then Stop.
    m.chkContinuous.value = 1;
    chkContinuous_Click();
    bool sweptOnce = false;
    bool pressedAgain = false;
    ui.OnEveryDoEvents([&] {
        sweptOnce = sweptOnce || app.SamplesTaken == 256;
        if (sweptOnce && app.SamplesTaken == 5 && !pressedAgain) {
            pressedAgain = true;
            EXPECT_FALSE(m.cmdSingleSweep.enabled);
            cmdSingleSweep_Click();
            // The refused start leaves the running one held, its starts greyed.
            EXPECT_TRUE(AcquisitionRunning());
            EXPECT_FALSE(m.cmdSingleSweep.enabled);
            EXPECT_FALSE(TryStartAcquisition({}).Refusal().empty());
        }
        if (pressedAgain) {
            cmdStop_Click();
        }
    });
    cmdSingleSweep_Click();
    EXPECT_EQ(ui.busyChanges, (std::vector<bool>{true, false, true, false, true, false}));
    EXPECT_EQ(app.SamplesTaken, 5);
    EXPECT_TRUE(m.cmdSingleSweep.enabled);
    EXPECT_EQ(m.focus, "cmdStop");
}

TEST_F(SweepTest, SweepDrawsWhatFitsAndStoresTheRestUpToTheBuffersEnd) {
    // A 2048-sample plot 2048 twips wide: one twip a sample, from the 2048th on only stored.
    RecordingCanvas pic{2048, 1000};
    App().frmData.pic1 = &pic;
    clock.secondsPerIteration = 0; // a clock that does not advance gives no rate, not infinity
    OnPort(mnuKxs307_Click);
    auto& app = App();
    app.SweepLength = 2048;
    ApplyPlotLength();
    app.SweepLength = kMaxSampleIndex + 100;
    cmdSingleSweep_Click();
    app.frmData.pic1 = nullptr;

    EXPECT_EQ(app.SamplesTaken, kMaxSampleIndex);
    EXPECT_EQ(app.PlotIndex, 2047);
    EXPECT_EQ(app.Samples[kMaxSampleIndex - 1], ChannelValue(app.RawCodes[kMaxSampleIndex], 0));
    EXPECT_EQ(app.SampleRateHz, 0.0f);
    EXPECT_EQ(app.frmData.lblTsample.caption, "0.00");
}

TEST_F(SweepTest, ABoardThatGivesNoAnswerIsSaidInTheStatusLine) {
    OnPort(mnuKxs306_Click);
    auto& app = App();
    app.SweepLength = 64;
    PlugSimulatedBoard(false);
    cmdSingleSweep_Click();
    EXPECT_NE(app.mdiAnalyzer.statusText.find("no answer: every sample of the sweep reads 0"),
              std::string::npos);
    EXPECT_EQ(app.frmData.lblMin.caption, "-200.05"); // and the samples are shown all the same

    PlugSimulatedBoard(true);
    cmdSingleSweep_Click();
    EXPECT_EQ(app.mdiAnalyzer.statusText, "");

    // A line stuck the other way reads full scale.
    PortRecorder stuck;
    stuck.statusValue = 0x00;
    std::string reason;
    ASSERT_TRUE(OpenPort(0x378, reason));
    cmdSingleSweep_Click();
    EXPECT_NE(app.mdiAnalyzer.statusText.find("reads 4095."), std::string::npos);
}

// The codes through either interface are the recorded runs'; the adapter's bus time shows in
// the period, on the real clock, which those leave out.
TEST_F(SweepTest, TheAdapterTakesItsBusTime) {
    OnPort(mnuKxs306_Click);
    auto& app = App();
    app.SweepLength = 64;
    InstallClock(nullptr);
    SimulatedBoards().usb.Plug(0);
    InstallEzUsbDriver(&SimulatedBoards().usb);
    FindUsbAdapters();
    app.InterfaceCode = 2;
    cmdSingleSweep_Click();
    EXPECT_GE(app.SamplePeriod, 0.25e-3f);
}

TEST_F(SweepTest, AModalDialogEndsARunItsTimeIsNotTheSweepsAndOnlyAWholeSweepHasASpectrum) {
    OnPort(mnuKxs306_Click);
    auto& app = App();
    app.SweepLength = 64;
    app.FftOn = true;
    // The user opens the port dialog after a few samples and leaves it open for a second.
    ui.OnModal(FormId::frmPort, [this] { clock.now += 1.0; });
    ui.AtDoEvents(5, [] { mnuPort_Click(); });
    const double t0 = clock.now;
    cmdSingleSweep_Click();
    EXPECT_LT(app.SamplesTaken, 64);
    EXPECT_LT(app.SamplePeriod * app.SamplesTaken, clock.now - t0 - 0.9);
    EXPECT_EQ(app.FftPoints, 0);
    cmdSingleSweep_Click();
    EXPECT_EQ(app.FftPoints, 64);
}
