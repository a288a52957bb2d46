#include "commands/TimePlot.h"

#include "analysis/Statistics.h"
#include "forms/Forms.h"
#include "forms/MainWindowForm.h"
#include "forms/TimePlotForm.h"
#include "platform/Frontend.h"
#include "platform/TextFormat.h"
#include "plots/PlotSetup.h"
#include "sensors/Acquisition.h"
#include "sensors/SensorModels.h"

#include <algorithm>
#include <span>
#include <string>

void ShowTimePlot() {
    const auto& form = frmData().form;
    if (form.loaded && !form.visible) {
        ShowForm(FormId::frmData);
    }
}

void FitTimePlot(bool besideSpectrum) {
    if (frmData().form.state != WindowState::Normal) {
        return;
    }
    const int32_t area = mdiAnalyzer().ScaleHeight;
    PlaceForm(FormId::frmData, WithHeight(FormId::frmData, besideSpectrum ? area / 2 : area));
}

void PlotRunSample(int32_t code) {
    PlotSample(code);
    // Last, as the statistics let events in: whatever they redraw finds this sample drawn.
    if (Plot().PlotIndex % 250 == 0) {
        int32_t count = Plot().PlotIndex;
        ComputeStatistics(count);
    }
}

void frmData_Form_Load() {
    const auto& m = mdiAnalyzer();
    PlaceForm(FormId::frmData,
              {0, 0, m.ScaleWidth, Spectrum().FftOn ? m.ScaleHeight / 2 : m.ScaleHeight});
    ApplyPlotLength();
}

// The Qt canvas is blank after any resize and the layouts place the controls, so every
// resize redraws; there is no size threshold or minimised state to wait for.
// What the running acquisition has drawn is drawn again at the new scale and the trace goes
// on from there; a trace about to start (nothing drawn yet) starts as it would have, from past
// the edge (reading the temperature) if it was to.
void frmData_Form_Resize() {
    auto& plot = Plot();
    const bool pastEdge = plot.PlotIndex == 0 && plot.PlotX > 0;
    plot.PlotX = 0;
    DrawTimeGrid();
    if (pastEdge) {
        plot.PlotX = TimePlotWidth() + 1;
    } else {
        ReplotTrace();
    }
    plot.DataWindowWidth = frmData().form.width;
    plot.DataWindowHeight = frmData().form.height;
}

void frmData_lblYscale_MouseDown(int16_t /*Index*/, int16_t Button, int16_t /*Shift*/, float /*X*/,
                                 float /*Y*/) {
    if (Button == 2) {
        Ui().Popup(PopupMenu::DataScale);
    }
}

void frmData_lblShowAverage_MouseDown(int16_t Button, int16_t /*Shift*/, float /*X*/, float /*Y*/) {
    if (Button == 2) {
        Ui().Popup(PopupMenu::DataScale);
    }
}

void frmData_pic1_MouseDown(int16_t Button, int16_t /*Shift*/, float X, float /*Y*/) {
    if (Button != 2 || Plot().PlotIndex == 0 || Plot().PlotXStep <= 0) {
        return;
    }
    const double position = double(X) / Plot().PlotXStep;
    if (!(position >= 0) || position > kMaxSampleIndex) {
        return;
    }
    // Index 0 holds no sample; past the last one there is nothing to show.
    const auto index = static_cast<int32_t>(RoundToEven(position));
    if (index < 1 || index > Plot().PlotIndex) {
        return;
    }
    const int32_t code = Acquisition().RawCodes[index];
    const float value = ChannelValue(code, Acquisition().ChannelIndex);
    auto& m = mdiAnalyzer();
    m.mnuAux1.caption = "Index = " + std::to_string(index);
    m.mnuAux2.caption = "Value = " + Format(value, Plot().ValueDecimals == 3 ? "0.000" : "0.00");
    m.mnuAux3.caption = "Code  = " + std::to_string(code);
    Ui().Popup(PopupMenu::Aux);
}

void ComputeStatistics(int32_t& count) {
    const auto& acq = Acquisition();
    auto& stats = Statistics();
    stats.StatSumSq = 0;
    stats.StatMean = stats.StatMin = stats.StatMax = acq.Samples[0];
    // Values sit at 0..n-1 and codes at 1..n: a count beyond the buffers covers what they hold.
    const int32_t n = std::min(count, kMaxSampleIndex);
    if (n <= 0) {
        return;
    }
    const auto taken = static_cast<size_t>(n);
    const int16_t ch = acq.ChannelIndex;
    const SampleStatistics s =
        StatisticsOf(std::span<const float>(acq.Samples).first(taken),
                     std::span<const int32_t>(acq.RawCodes).subspan(1, taken),
                     [ch](int32_t code) { return ChannelValue(code, ch); });
    stats.StatMean = s.mean;
    stats.StatMin = s.min;
    stats.StatMax = s.max;
    stats.StatSumSq = s.sumSq;
    stats.StatRms = s.rms;

    Ui().DoEvents();

    auto& f = frmData();
    f.lblMax.caption = Format(stats.StatMax, "0.00");
    f.lblMin.caption = Format(stats.StatMin, "0.00");
    f.lblPkPk.caption = Format(stats.StatMax - stats.StatMin, "0.00");
    f.lblAverage.caption = Format(stats.StatMean, "0.00");
    f.lblRMS.caption = Format(stats.StatRms, "0.00");
}

void ClearReadouts() {
    auto& f = frmData();
    f.lblTemp.caption = "---  ";
    for (Label* label :
         {&f.lblAverage, &f.lblPkPk, &f.lblMax, &f.lblMin, &f.lblRMS, &f.lblTsample}) {
        label->caption = "0";
    }
}

void frmData_lblTS_MouseDown(int16_t Button, int16_t /*Shift*/, float /*X*/, float /*Y*/) {
    if (Button != 2) {
        return;
    }
    const float period = Acquisition().SamplePeriod;
    const float f = static_cast<double>(period) >= 0.000001 ? 1.0f / period : 0.0f;
    std::string text = "Sample Rate = ";
    if (f >= 1000) {
        text += Format(f / 1000, "0.000") + " kHz";
    } else {
        text += Format(f, "0.0") + " Hz";
    }
    mdiAnalyzer().mnuFrequency.caption = text;
    Ui().Popup(PopupMenu::SampleRate);
}
