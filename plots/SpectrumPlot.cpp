#include "plots/SpectrumPlot.h"

#include "analysis/FFT.h"
#include "forms/Forms.h"
#include "forms/MainWindowForm.h"
#include "forms/SpectrumForm.h"
#include "forms/TimePlotForm.h"
#include "platform/Canvas.h"
#include "platform/Frontend.h"
#include "platform/TextFormat.h"
#include "plots/PlotSetup.h"
#include "sensors/Acquisition.h"
#include "sensors/SensorModels.h"

#include <algorithm>
#include <cmath>
#include <utility>

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
    // The zoom pop-up ticks what is shown.
    auto& m = mdiAnalyzer();
    const float n = static_cast<float>(Acquisition().SweepLength);
    const std::pair<MenuItem*, int> zooms[] = {{&m.mnuFFTXfull, 2},
                                               {&m.mnuFFTXhalf, 4},
                                               {&m.mnuFFTXquarter, 8},
                                               {&m.mnuFFTXeighth, 16},
                                               {&m.mnuFFTX16th, 32}};
    for (const auto& [item, divisor] : zooms) {
        item->checked = plot.FftBinsShown == n / static_cast<float>(divisor);
    }
}

void LabelSpectrumYAxis() {
    auto& s = Spectrum();
    // Before any spectrum the automatic zoom can ask for a full scale of 0.
    const float yFull = s.FftYFull > 0 ? s.FftYFull : kLeastYFull;
    Plot().FftYScale = PicHeight() / yFull;
    const SensorModel* model = ChosenModel();
    const bool accelerometer = model != nullptr && model->kind == SensorKind::Accelerometer;
    // The zoom pop-up ticks the fixed scale shown, or "Auto" for one of the spectrum's own.
    auto& m = mdiAnalyzer();
    const std::pair<MenuItem*, float> scales[] = {
        {&m.mnuFFTYfull, 1.0f},     {&m.mnuFFTYhalf, 0.5f},      {&m.mnuFFTYQuarter, 0.25f},
        {&m.mnuFFTYeighth, 0.125f}, {&m.mnuFFTY16th, 1.0f / 16}, {&m.mnuFFTY32nd, 1.0f / 32},
        {&m.mnuFFTY100th, 0.01f},   {&m.mnuFFTY250th, 0.004f}};
    bool fixed = false;
    for (const auto& [item, full] : scales) {
        item->checked = s.FftYFull == full;
        fixed = fixed || item->checked;
    }
    m.mnuFFTYauto.checked = !fixed;
    const double top = double(ChannelScale()) * 2047.5 * yFull;
    for (int i = 0; i <= 8; ++i) {
        const auto value = static_cast<float>(i * top / 8);
        frmFFT().lblYscale[static_cast<size_t>(i)].caption =
            Format(value, accelerometer ? "0.000" : "0.00");
    }
}

// Bin k stands at k steps, at its own frequency on the axis, where the readout under the
// pointer finds it: bin 0 on the left edge, and each further bin joined to the one before.
// Drawing lets no events in: a handler run from one would redraw underneath it.
void PlotSpectrumStart(double& magnitude) {
    auto& plot = Plot();
    const float H = PicHeight();
    plot.FftLastY = std::clamp(Rounded(H - plot.FftYScale * magnitude), 0, Rounded(H));
}

void PlotSpectrumPoint(double& magnitude) {
    auto& plot = Plot();
    plot.FftPlotX += plot.FftXStep;
    if (plot.FftPlotX > PicWidth()) {
        return;
    }
    // The readout's bound: the spectrum's own count, so the time plot's stays its trace's.
    ++plot.FftPointsPlotted;
    const float H = PicHeight();
    const double h = std::clamp(magnitude * plot.FftYScale, 0.0, double(H));
    const int32_t y = Rounded(H - h);
    if (Canvas* pic = frmFFT().pic1) {
        pic->Line(plot.FftPlotX - plot.FftXStep, float(plot.FftLastY), plot.FftPlotX, float(y),
                  kTraceColour);
    }
    plot.FftLastY = y;
}

void frmFFT_Form_Load() {
    // The two plots share the area top and bottom.
    FitTimePlot(true);
    const auto& m = mdiAnalyzer();
    const auto& data = frmData().form;
    PlaceForm(FormId::frmFFT,
              {0, data.top + data.height, m.ScaleWidth, m.ScaleHeight - data.height});
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

// Closing the window is "FFT Off": the menu follows, so that "FFT On" brings it back, and the
// time plot takes the whole area again.
void frmFFT_Form_Unload() {
    auto& m = mdiAnalyzer();
    Spectrum().FftOn = false;
    m.mnuFFTon.checked = false;
    m.mnuFFToff.checked = true;
    FitTimePlot(false);
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
    if (index > plot.FftPointsPlotted || index >= BinsComputed()) {
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
