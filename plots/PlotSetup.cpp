#include "plots/PlotSetup.h"

#include "forms/MainWindowForm.h"
#include "forms/TimePlotForm.h"
#include "platform/Canvas.h"
#include "platform/TextFormat.h"
#include "sensors/Acquisition.h"
#include "sensors/ReadData.h"
#include "sensors/SensorModels.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

constexpr Rgb kGridColour{192, 192, 192};
constexpr Rgb kTraceColour{0, 0, 128};
constexpr float kMarkerRadius = 20;
constexpr float kEdgeInset = 45; // three pixels

// Where the form places pic1, and the label widths the axis labels are centred with.
constexpr float kPic1Left = 1200;
constexpr float kPic1Top = 120;
constexpr float kPlotXLabelWidth = 800;
constexpr float kTestLabelWidth = 1600;

float PicHeight() {
    const Canvas* pic = frmData().pic1;
    return pic ? pic->Height() : 0.0f;
}

int32_t Rounded(float value) { return static_cast<int32_t>(RoundToEven(value)); }

float CodeValue(int32_t code) { return ChannelValue(code, Acquisition().ChannelIndex); }

const char* ValuePattern(int32_t decimals) { return decimals == 3 ? "0.000" : "0.00"; }

// Model 3 is told by the device box: its axis labels and trace follow their own rule.
bool FixedRateAxis() {
    const SensorModel* shown = FindSensorModel(mdiAnalyzer().txtDevice.text);
    return shown != nullptr && shown->fixedRateAxis;
}

void CheckScaleMenu(int32_t divisor) {
    auto& m = mdiAnalyzer();
    m.mnuScaleFull.checked = divisor == 1;
    m.mnuScaleHalf.checked = divisor == 2;
    m.mnuScaleQuarter.checked = divisor == 4;
    m.mnuScaleEighth.checked = divisor == 8;
    m.mnuScaleSixteenth.checked = divisor == 16;
    m.mnuScale32.checked = divisor == 32;
}

} // namespace

void ApplyPlotLength() {
    BuildWindowTable();
    Plot().PlotSamples = Acquisition().SweepLength;
    const int32_t n = Plot().PlotSamples;
    auto& x = frmData().lblPlotX;
    x[0].caption = "0";
    x[1].caption = std::to_string(n / 4);
    x[2].caption = std::to_string(n / 2);
    x[3].caption = std::to_string(3 * n / 4);
    x[4].caption = std::to_string(n);
    DrawTimeGrid();
}

void DrawGrid(Canvas* pic, std::array<Label, 9>& yLabels, std::array<Label, 5>& xLabels) {
    const float W = pic != nullptr ? pic->Width() : 0.0f;
    const float H = pic != nullptr ? pic->Height() : 0.0f;
    if (pic != nullptr) {
        pic->Clear();
    }
    const int32_t D = Rounded(H / 8);
    float tickY = kPic1Top + 10;
    yLabels[8].top = Rounded(tickY - 100);
    for (int i = 1; i <= 8; ++i) {
        tickY += (H + 40) / 8 - 10;
        yLabels[static_cast<size_t>(8 - i)].top = Rounded(tickY - 100);
        if (pic != nullptr) {
            pic->Line(0, float(D * i), W, float(D * i), kGridColour, LineStyle::Dot);
        }
    }
    for (int i = 0; i <= 4; ++i) {
        const float tickX = kPic1Left + W * float(i) / 4;
        xLabels[static_cast<size_t>(i)].left = Rounded(tickX - kPlotXLabelWidth / 2);
    }
    if (pic != nullptr) {
        for (int i = 0; i <= 7; ++i) {
            const float X = float(Rounded(W * float(i) / 8));
            pic->Line(X, 0, X, H, kGridColour, LineStyle::Dot);
        }
    }
}

void DrawTimeGrid() {
    auto& plot = Plot();
    auto& form = frmData();
    DrawGrid(form.pic1, form.lblYscale, form.lblPlotX);
    const float W = TimePlotWidth();
    const float H = PicHeight();
    for (int i = 0; i < 4; ++i) {
        const float middle = kPic1Left + W * (float(i) + 0.5f) / 4;
        form.lblTest[static_cast<size_t>(i)].left = Rounded(middle - kTestLabelWidth / 2);
    }
    // No samples across (or no plot area) leaves nothing to step by rather than dividing by 0.
    plot.PlotXStep = plot.PlotSamples > 0 ? W / float(plot.PlotSamples) : 0.0f;
    const int32_t codeSpan = plot.PlotYMaxCode - plot.PlotYMinCode;
    plot.PlotYScale = codeSpan > 0 ? H / float(codeSpan) : 0.0f;
}

void ApplyTimeYScale() {
    Plot().CodesPerDivision = 512 / Plot().YScaleDivisor;
    const int16_t ch = Acquisition().ChannelIndex;
    const bool fixedAxis = FixedRateAxis();
    if (fixedAxis) {
        Plot().ValueDecimals = 0;
    }
    const char* pattern = Plot().ValueDecimals == 0 ? "0" : ValuePattern(Plot().ValueDecimals);
    for (int i = 0; i <= 8; ++i) {
        const int32_t code = Plot().MidscaleCode - (4 - i) * Plot().CodesPerDivision;
        float value = CodeValue(code);
        // Model 3 labels its rate axis -100..100 and its inputs in converter codes.
        if (fixedAxis && ch == 0) {
            value = float((4 - i) * -25);
        } else if (fixedAxis && (ch == 2 || ch == 3)) {
            value = float(i * 2048);
        }
        frmData().lblYscale[i].caption = Format(value, pattern);
    }
    Plot().PlotYMaxCode = Plot().MidscaleCode + 4 * Plot().CodesPerDivision;
    Plot().PlotYMinCode = Plot().MidscaleCode - 4 * Plot().CodesPerDivision;
    DrawTimeGrid();
    CheckScaleMenu(Plot().YScaleDivisor);
}

// Draws without letting events in: a handler run from one (a resize, a zoom) would redraw
// the trace underneath a sample half drawn.
void PlotSample(int32_t code) {
    auto& plot = Plot();
    plot.PlotX += plot.PlotXStep;
    // A trace also ends where the sample buffer does, whatever the float steps add up to.
    if (plot.PlotX > TimePlotWidth() || plot.PlotIndex >= kMaxSampleIndex) {
        ReadTemperature();
        plot.PlotX = plot.PlotXStep;
    }
    const bool newTrace = plot.PlotX == plot.PlotXStep;
    if (newTrace) {
        DrawTimeGrid();
        plot.PlotIndex = 0;
    }

    ++plot.PlotIndex;
    plot.SampleValue = CodeValue(code);
    Acquisition().RawCodes[plot.PlotIndex] = code;

    const float H = PicHeight();
    float y = H / 2 - float(code - plot.MidscaleCode) * plot.PlotYScale;
    const int16_t ch = Acquisition().ChannelIndex;
    if (FixedRateAxis() && (ch == 0 || ch == 2 || ch == 3)) {
        y = H / 2 - plot.SampleValue * H / 202;
    }
    // A sample off the plot's range runs along the edge it left by, inside the frame and clear
    // of the marker band, so a signal off scale still shows as one.
    y = std::clamp(y, std::min(kEdgeInset, H / 2), std::max(H - kEdgeInset, H / 2));

    // Sample k stands at k steps, where the readout under the pointer finds it; the first
    // comes in flat from the left edge.
    if (Canvas* pic = frmData().pic1) {
        const float fromX = newTrace ? 0.0f : plot.PlotX - plot.PlotXStep;
        const float fromY = newTrace ? y : float(plot.LastPlotY);
        pic->Line(fromX, fromY, plot.PlotX, y, kTraceColour);
        pic->Circle(plot.PlotX, 0, kMarkerRadius, pic->ForeColor());
    }
    plot.LastPlotY = Rounded(y);
}

void ReplotTrace() {
    const int32_t n = std::min(Plot().PlotIndex, kMaxSampleIndex);
    // Without a step nothing can be drawn, and every sample would restart the trace and
    // overwrite the stored codes.
    if (n < 1 || Plot().PlotXStep <= 0) {
        return;
    }
    Plot().PlotX = 0;
    for (int32_t i = 1; i <= n; ++i) {
        if (Plot().PlotX + Plot().PlotXStep <= TimePlotWidth()) {
            PlotSample(Acquisition().RawCodes[i]);
        }
    }
}

float TimePlotWidth() {
    const Canvas* pic = frmData().pic1;
    return pic ? pic->Width() : 0.0f;
}

bool NextSampleFits() { return Plot().PlotX + Plot().PlotXStep < TimePlotWidth(); }

void BuildWindowTable() {
    const auto& acq = Acquisition();
    auto& s = Spectrum();
    const int32_t n = std::clamp(acq.SweepLength, 0, kMaxSampleIndex);
    if (s.WindowTable.size() == static_cast<size_t>(n) + 1) {
        return;
    }
    s.WindowTable.assign(static_cast<size_t>(n) + 1, 1.0);
    // A new length leaves an empty spectrum of its own size: the old bins would stand at the
    // wrong frequencies on the new axis.
    s.FftData.assign(static_cast<size_t>(n / 2), 0.0);
    s.FftPoints = n;
    s.FftBinWidth = acq.SampleRateHz > 0 && n > 0 ? acq.SampleRateHz / static_cast<float>(n) : 0.0f;
}
