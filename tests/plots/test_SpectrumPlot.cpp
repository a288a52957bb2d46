// The spectrum of a sweep as the windows show it: readouts, axis labels, zoom, readout
// pop-up, the window's on, off and close, and what a stopped or odd-length sweep gives.
#include "app/Analyzer.h"
#include "commands/SpectrumWindow.h"
#include "commands/Sweep.h"
#include "commands/ViewCommands.h"
#include "plots/SpectrumPlot.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/RecordingCanvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

// A 1000 x 800 twip spectrum plot; the last sweep a sine of 1000 codes at bin 64 of 2048,
// around the channel's zero code, taken at 1000 samples a second on "KXS201".
class SpectrumTest : public UiTest {
protected:
    void SetUp() override {
        AppStateTest::SetUp();
        auto& app = App();
        app.frmFFT.pic1 = &pic;
        app.DeviceName = "KXS201";
        app.ChannelScale[0] = 1.0f / 820;
        app.ChannelOffset[0] = 2048;
        app.SweepLength = app.SamplesTaken = 2048;
        app.SampleRateHz = 1000;
        for (int k = 1; k <= 2048; ++k) {
            app.RawCodes[k] =
                2048 + static_cast<int32_t>(std::lround(
                           1000 * std::sin(2 * std::numbers::pi * 64 * (k - 1) / 2048)));
        }
        BuildWindowTable();
    }

    RecordingCanvas pic{1000, 800};
};

} // namespace

TEST_F(SpectrumTest, RunShowsThePeakInChannelUnitsAndDrawsTheBinsThatFit) {
    auto& app = App();
    mnuFFTon_Click();
    EXPECT_TRUE(app.mdiAnalyzer.mnuFFTon.checked && !app.mdiAnalyzer.mnuFFToff.checked);
    EXPECT_EQ(ui.shown, std::vector<FormId>{FormId::frmFFT});
    const auto& f = app.frmFFT;
    EXPECT_EQ(f.lblFs.caption, "1000.0");
    EXPECT_EQ(f.lblFftMaxFreq.caption, "31.2"); // 64 bins of 0.48828 Hz
    EXPECT_EQ(f.lblFftMax.caption, "1.219");    // 1000 codes of 1/820 G
    EXPECT_EQ(Captions(f.lblPlotX), "0 125.0 250.0 375.0 500.0 ");
    // The automatic scale: twice the peak; the labels in G with the accelerometer's decimals.
    EXPECT_EQ(f.lblYscale[8].caption, "2.439");
    // Bin k at its own frequency, joined to the one before: the peak drawn where the
    // statistics put it, and the last bin one step short of the right edge.
    const CanvasOp* peak = &pic.ops.back();
    for (const auto& op : pic.ops) {
        peak = op.colour == Rgb{0, 0, 128} && op.y2 < peak->y2 ? &op : peak;
    }
    EXPECT_FLOAT_EQ(peak->x2, 64 * app.FftXStep);
    EXPECT_FLOAT_EQ(pic.ops.back().x2, 1023 * app.FftXStep);
    EXPECT_EQ(app.FftPointsPlotted, 1023);

    // The zoom keeps the left edge at 0 Hz; a fixed magnitude lasts until the next spectrum.
    // The pop-ups tick the zoom shown.
    const auto& m = app.mdiAnalyzer;
    EXPECT_TRUE(m.mnuFFTXfull.checked && m.mnuFFTYauto.checked);
    mnuFFTX16th_Click();
    EXPECT_EQ(Captions(f.lblPlotX), "0 7.8 15.6 23.4 31.2 ");
    EXPECT_TRUE(m.mnuFFTX16th.checked && !m.mnuFFTXfull.checked);
    mnuFFTY250th_Click();
    EXPECT_EQ(f.lblYscale[8].caption, "0.010");
    EXPECT_TRUE(m.mnuFFTY250th.checked && !m.mnuFFTYauto.checked);
    RunSpectrum();
    EXPECT_EQ(f.lblYscale[8].caption, "2.439");
    EXPECT_TRUE(!m.mnuFFTY250th.checked && m.mnuFFTYauto.checked);

    // Closing the window switches the spectrum off; "FFT Off" hides it.
    frmFFT_Form_Unload();
    EXPECT_TRUE(!app.FftOn && app.mdiAnalyzer.mnuFFToff.checked);
    mnuFFTon_Click();
    mnuFFToff_Click();
    EXPECT_EQ(ui.hidden, std::vector<FormId>{FormId::frmFFT});
}

TEST_F(SpectrumTest, ReadoutIsBoundByTheSpectrumsOwnPointsNotTheTimeTraces) {
    auto& app = App();
    mnuFFTon_Click();
    app.PlotIndex = 7; // the time trace's, left alone by the spectrum
    ui.popups.clear();
    frmFFT_pic1_MouseDown(2, 0, 64 * app.FftXStep + 0.3f, 0);
    EXPECT_EQ(app.mdiAnalyzer.mnuAux1.caption, "Index = 64");
    EXPECT_EQ(app.mdiAnalyzer.mnuAux3.caption, "Freq =  31.2");
    EXPECT_EQ(app.mdiAnalyzer.mnuAux2.caption, "Value =   1.219");
    EXPECT_EQ(app.PlotIndex, 7);
    // Beyond what was drawn, or before any spectrum: nothing.
    frmFFT_pic1_MouseDown(2, 0, 2000, 0);
    app.FftPointsPlotted = 0;
    frmFFT_pic1_MouseDown(2, 0, 10, 0);
    EXPECT_EQ(ui.popups, std::vector<PopupMenu>{PopupMenu::Aux});
}

TEST_F(SpectrumTest, OddLengthsAndEmptySweepsGiveASoundSpectrumOrNone) {
    auto& app = App();
    app.FftOn = true;
    app.SweepLength = 5;
    BuildWindowTable();
    RunSpectrum();
    EXPECT_NE(app.mdiAnalyzer.statusText.find("at least 8 samples"), std::string::npos);

    app.SamplesTaken = 0;
    app.FftPeakIndex = -1;
    RunSpectrum();
    EXPECT_EQ(app.FftPeakIndex, -1);

    // Auto before any peak takes the floor instead of a scale of 0.
    ResetAppState();
    App().frmFFT.pic1 = &pic;
    mnuFFTYauto_Click();
    EXPECT_TRUE(std::isfinite(App().FftYScale) && App().FftYScale > 0);
}

TEST_F(SpectrumTest, ANewLengthLeavesAnEmptySpectrumOnATrueAxis) {
    auto& app = App();
    mnuFFTon_Click();
    for (const char* text : {"4096", "256", "8192"}) {
        app.mdiAnalyzer.DatalogLengthCBX.text = text;
        DatalogLengthCBX_Click();
        EXPECT_EQ(app.FftBinsShown, std::stoi(text) / 2.0f);
        EXPECT_EQ(app.WindowTable.size(), static_cast<size_t>(std::stoi(text)) + 1);
    }
    // Up to half the last sweep's rate, not the old bins' width times the new count; a zoom
    // before the next sweep draws the emptied spectrum along the bottom edge.
    EXPECT_EQ(Captions(app.frmFFT.lblPlotX), "0 125.0 250.0 375.0 500.0 ");
    pic.ops.clear();
    mnuFFTXhalf_Click();
    EXPECT_EQ(Captions(app.frmFFT.lblPlotX), "0 62.5 125.0 187.5 250.0 ");
    EXPECT_EQ(pic.ops.back().kind, CanvasOp::Line);
    EXPECT_EQ(pic.ops.back().y2, 800);
}
