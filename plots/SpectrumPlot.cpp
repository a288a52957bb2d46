#include "plots/SpectrumPlot.h"

#include "forms/MainWindowForm.h"
#include "forms/SpectrumForm.h"
#include "platform/Canvas.h"
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

} // namespace

int32_t BinsComputed() {
    const auto& s = Spectrum();
    return std::min(s.FftPoints / 2, static_cast<int32_t>(s.FftData.size()));
}

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
