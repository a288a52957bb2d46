#include "plots/SpectrumPlot.h"

#include "analysis/FFT.h"
#include "app/MainWindowForm.h"
#include "app/TextFormat.h"
#include "platform/Canvas.h"
#include "platform/Frontend.h"
#include "plots/PlotSetup.h"
#include "plots/SpectrumForm.h"
#include "sensors/Acquisition.h"
#include "sensors/SensorModels.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr Rgb kTraceColour{0, 0, 128};
// The magnitude floor of the automatic scale, also where no magnitude can give a scale.
constexpr float kLeastYFull = 0.001f;

float PicWidth() {
    const Canvas* pic = frmFFT().pic1;
    return pic ? pic->Width() : 0.0f;
}

float PicHeight() {
    const Canvas* pic = frmFFT().pic1;
    return pic ? pic->Height() : 0.0f;
}

int32_t Rounded(double value) { return static_cast<int32_t>(RoundToEven(value)); }

float ChannelScale() {
    const int16_t ch = Acquisition().ChannelIndex;
    return ch >= 0 && ch <= 8 ? Catalogue().ChannelScale[static_cast<size_t>(ch)] : 0.0f;
}

// Bins the last spectrum has: half its points (none before the first one).
int32_t BinsComputed() {
    const auto& s = Spectrum();
    return std::min(s.FftPoints / 2, static_cast<int32_t>(s.FftData.size()));
}

} // namespace

void PlotSpectrum() {
    DrawSpectrumGrid();
    auto& s = Spectrum();
    const int32_t bins = BinsComputed();
    double dc = bins > 0 ? s.FftData[0] : 0.0;
    PlotSpectrumStart(dc);
    for (int32_t i = 1; i < bins; ++i) {
        PlotSpectrumPoint(s.FftData[static_cast<size_t>(i)]);
    }
}

void DrawSpectrumGrid() {
    auto& f = frmFFT();
    Plot().FftPlotX = 0;
    Plot().FftPointsPlotted = 0;
    DrawGrid(f.pic1, f.lblYscale, f.lblPlotX);
    f.lblPlotX[4].left -= 80;
    LabelSpectrumXAxis();
    LabelSpectrumYAxis();
}

void LabelSpectrumXAxis() {
    auto& plot = Plot();
    const float width = Spectrum().FftBinWidth;
    plot.FftXStep = plot.FftBinsShown > 0 ? PicWidth() / plot.FftBinsShown : 0.0f;
    const int32_t B = Rounded(plot.FftBinsShown);
    auto& x = frmFFT().lblPlotX;
    x[0].caption = "0";
    x[1].caption = Format(width * static_cast<float>(B / 4), "0.0");
    x[2].caption = Format(width * static_cast<float>(B / 2), "0.0");
    x[3].caption = Format(width * static_cast<float>(Rounded(3 * plot.FftBinsShown) / 4), "0.0");
    x[4].caption = Format(width * plot.FftBinsShown, "0.0");
}

void LabelSpectrumYAxis() {
    auto& s = Spectrum();
    // Before any spectrum the automatic zoom can ask for a full scale of 0.
    const float yFull = s.FftYFull > 0 ? s.FftYFull : kLeastYFull;
    Plot().FftYScale = PicHeight() / yFull;
    const SensorModel* model = ChosenModel();
    const bool accelerometer = model != nullptr && model->kind == SensorKind::Accelerometer;
    const double top = double(ChannelScale()) * 2047.5 * yFull;
    for (int i = 0; i <= 8; ++i) {
        const auto value = static_cast<float>(i * top / 8);
        frmFFT().lblYscale[static_cast<size_t>(i)].caption =
            Format(value, accelerometer ? "0.000" : "0.00");
    }
}

void PlotSpectrumStart(double& magnitude) {
    auto& plot = Plot();
    const float H = PicHeight();
    const int32_t y = std::clamp(Rounded(H - plot.FftYScale * magnitude), 0, Rounded(H));
    if (Canvas* pic = frmFFT().pic1) {
        pic->Line(0, float(y), plot.FftXStep, float(y), kTraceColour);
    }
    plot.FftLastY = y;
}

void PlotSpectrumPoint(double& magnitude) {
    auto& plot = Plot();
    plot.FftPlotX += plot.FftXStep;
    if (plot.FftPlotX > PicWidth()) {
        return;
    }
    // The readout's bound: the spectrum's own count, so the time plot's stays its trace's.
    ++plot.FftPointsPlotted;
    Ui().DoEvents();
    const float H = PicHeight();
    const double h = std::clamp(magnitude * plot.FftYScale, 0.0, double(H));
    const int32_t y = Rounded(H - h);
    Ui().DoEvents();
    if (Canvas* pic = frmFFT().pic1) {
        pic->Line(plot.FftPlotX, float(plot.FftLastY), plot.FftPlotX + plot.FftXStep, float(y),
                  kTraceColour);
    }
    plot.FftLastY = y;
}

void frmFFT_Form_Load() {
    auto& f = frmFFT();
    Spectrum().FftYFull = 1.0f;
    Plot().FftBinsShown = static_cast<float>(Acquisition().SweepLength / 2);
    f.form.caption = "Freq Data -- " + Catalogue().ChannelTitle;
    LabelSpectrumXAxis();
    LabelSpectrumYAxis();
    DrawSpectrumGrid();
}

// The canvas is blank after any resize: every resize draws the spectrum again.
void frmFFT_Form_Resize() {
    PlotSpectrum();
    Plot().FftWindowWidth = frmFFT().form.width;
    Plot().FftWindowHeight = frmFFT().form.height;
}

void frmFFT_Form_Unload() {
    auto& m = mdiAnalyzer();
    Spectrum().FftOn = false;
    // The menu follows, so that "FFT On" brings it back.
    m.mnuFFTon.checked = false;
    m.mnuFFToff.checked = true;
}

void frmFFT_lblPlotX_MouseDown(int16_t, int16_t Button, int16_t, float, float) {
    if (Button == 2) {
        Ui().Popup(PopupMenu::FFTXscale);
    }
}

void frmFFT_lblYscale_MouseDown(int16_t, int16_t Button, int16_t, float, float) {
    if (Button == 2) {
        Ui().Popup(PopupMenu::FFTYscale);
    }
}

void frmFFT_pic1_MouseDown(int16_t Button, int16_t, float X, float) {
    const auto& plot = Plot();
    const auto& s = Spectrum();
    if (Button != 2 || plot.FftPointsPlotted == 0 || plot.FftXStep <= 0) {
        return;
    }
    const double position = double(X) / plot.FftXStep;
    if (!(position >= -0.5) || position > BinsComputed()) {
        return;
    }
    const auto index = std::max<int32_t>(0, static_cast<int32_t>(RoundToEven(position)));
    if (index >= plot.FftPointsPlotted || index >= BinsComputed()) {
        return;
    }
    const float value = SpectrumBinValue(index);
    auto& m = mdiAnalyzer();
    m.mnuAux1.caption = "Index = " + std::to_string(index);
    m.mnuAux2.caption =
        "Value =   " + Format(value, Plot().ValueDecimals == 3 ? "0.0000" : "0.000");
    m.mnuAux3.caption = "Freq =  " + Format(s.FftBinWidth * static_cast<float>(index), "0.0");
    Ui().Popup(PopupMenu::Aux);
}
