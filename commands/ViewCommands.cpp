#include "commands/ViewCommands.h"

#include "commands/SpectrumWindow.h"
#include "commands/TimePlot.h"
#include "forms/Forms.h"
#include "forms/MainWindowForm.h"
#include "platform/Hardware.h"
#include "platform/TextFormat.h"
#include "plots/PlotSetup.h"
#include "plots/SpectrumPlot.h"
#include "sensors/Acquisition.h"
#include "sensors/SensorModels.h"

#include <cstdint>

namespace {

void ApplyYScale(int32_t divisor) {
    Plot().YScaleDivisor = divisor;
    ShowTimePlot();
    ApplyTimeYScale();
    ReplotTrace();
}

// The centre code stays where the plot still shows a useful part of the converter's range.
void ApplyMidscale(double code) {
    if (!(code >= 1000)) {
        code = 1000;
    } else if (code > 3000) {
        code = 3000;
    }
    Plot().MidscaleCode = static_cast<int32_t>(RoundToEven(code));
    ShowTimePlot();
    ApplyTimeYScale();
    ReplotTrace();
}

void CheckSpectrumMenu(bool on) {
    auto& m = mdiAnalyzer();
    m.mnuFFTon.checked = on;
    m.mnuFFToff.checked = !on;
}

// The x zoom keeps 0 Hz at the left edge and shows the lowest bins.
void ShowBins(int32_t divisor) {
    Plot().FftBinsShown = static_cast<float>(Acquisition().SweepLength) / float(divisor);
    PlotSpectrum();
}

void ShowMagnitudeUpTo(float magnitude) {
    Spectrum().FftYFull = magnitude;
    PlotSpectrum();
}

} // namespace

void mnuScaleFull_Click() { ApplyYScale(1); }
void mnuScaleHalf_Click() { ApplyYScale(2); }
void mnuScaleQuarter_Click() { ApplyYScale(4); }
void mnuScaleEighth_Click() { ApplyYScale(8); }
void mnuScaleSixteenth_Click() { ApplyYScale(16); }
void mnuScale32_Click() { ApplyYScale(32); }

void mnuSetPlottoAvg_Click() {
    const int16_t ch = Acquisition().ChannelIndex;
    const float codesFromZero = Statistics().StatMean / Catalogue().ChannelScale[ch];
    ApplyMidscale(double(codesFromZero) + Catalogue().ChannelOffset[ch]);
}

void mnuReSetMidscale_click() {
    ApplyMidscale(Catalogue().ChannelOffset[Acquisition().ChannelIndex]);
}

// The spectrum window tiles under the time plot while it shows.
void mnuFFTon_Click() {
    CheckSpectrumMenu(true);
    Spectrum().FftOn = true;
    FitTimePlot(true);
    ShowForm(FormId::frmFFT);
    RunSpectrum();
    mdiAnalyzer().focus = "cmdSingleSweep";
}

void mnuFFToff_Click() {
    CheckSpectrumMenu(false);
    Spectrum().FftOn = false;
    HideForm(FormId::frmFFT);
    FitTimePlot(false);
    mdiAnalyzer().focus = "cmdSingleSweep";
}

void mnuFFTXfull_Click() { ShowBins(2); }
void mnuFFTXhalf_Click() { ShowBins(4); }
void mnuFFTXquarter_Click() { ShowBins(8); }
void mnuFFTXeighth_Click() { ShowBins(16); }
void mnuFFTX16th_Click() { ShowBins(32); }

void mnuFFTYfull_Click() { ShowMagnitudeUpTo(1.0f); }
void mnuFFTYhalf_Click() { ShowMagnitudeUpTo(0.5f); }
void mnuFFTYQuarter_Click() { ShowMagnitudeUpTo(0.25f); }
void mnuFFTYeighth_Click() { ShowMagnitudeUpTo(0.125f); }
void mnuFFTY16th_Click() { ShowMagnitudeUpTo(1.0f / 16); }
void mnuFFTY32nd_Click() { ShowMagnitudeUpTo(1.0f / 32); }
void mnuFFTY100th_Click() { ShowMagnitudeUpTo(0.01f); }
void mnuFFTY250th_Click() { ShowMagnitudeUpTo(0.004f); }
void mnuFFTYauto_Click() { ShowMagnitudeUpTo(2 * Spectrum().FftPeakMag); }

namespace {

// A new length applies to the plots at once and to data from the next acquisition on.
void SetSweepLength(int32_t samples) {
    Acquisition().SweepLength = samples;
    Hardware().SweepLengthChanged(samples);
    ApplyPlotLength();
    Plot().FftBinsShown = static_cast<float>(samples / 2);
    if (Spectrum().FftOn) {
        DrawSpectrumGrid();
    }
}

} // namespace

void SetSweepLength256() { SetSweepLength(256); }
void SetSweepLength512() { SetSweepLength(512); }
void SetSweepLength1024() { SetSweepLength(1024); }
void SetSweepLength2048() { SetSweepLength(2048); }
void SetSweepLength4096() { SetSweepLength(4096); }
void SetSweepLength8192() { SetSweepLength(8192); }
void SetSweepLength16384() { SetSweepLength(16384); }
void SetSweepLength32768() { SetSweepLength(32768); }

void DatalogLengthCBX_Click() {
    const auto& text = mdiAnalyzer().DatalogLengthCBX.text;
    const auto value = ParseNumber(text);
    if (!value) {
        return;
    }
    Acquisition().SweepLength = ToInt32(*value).value_or(Acquisition().SweepLength);
    constexpr struct {
        int32_t samples;
        void (*apply)();
    } kLengths[] = {{256, SetSweepLength256},     {512, SetSweepLength512},
                    {1024, SetSweepLength1024},   {2048, SetSweepLength2048},
                    {4096, SetSweepLength4096},   {8192, SetSweepLength8192},
                    {16384, SetSweepLength16384}, {32768, SetSweepLength32768}};
    for (const auto& length : kLengths) {
        if (Acquisition().SweepLength == length.samples) {
            length.apply();
        }
    }
}
