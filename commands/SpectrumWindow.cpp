#include "commands/SpectrumWindow.h"

#include "commands/TimePlot.h"
#include "forms/Forms.h"
#include "forms/MainWindowForm.h"
#include "forms/SpectrumForm.h"
#include "forms/TimePlotForm.h"
#include "platform/Frontend.h"
#include "platform/TextFormat.h"
#include "plots/PlotSetup.h"
#include "plots/SpectrumPlot.h"
#include "sensors/Acquisition.h"
#include "sensors/SensorModels.h"

#include <algorithm>
#include <span>

void RunSpectrum() {
    const auto& acq = Acquisition();
    auto& s = Spectrum();
    if (acq.SamplesTaken == 0) {
        return;
    }
    // Every slot of the sweep length is read, whatever this sweep took: after a short one
    // the tail holds an earlier sweep's codes.
    // The weights follow the length, however it was changed.
    if (s.WindowTable.size() != static_cast<size_t>(std::max(acq.SweepLength, 0)) + 1) {
        BuildWindowTable();
    }
    const int16_t ch = acq.ChannelIndex;
    const auto n = static_cast<size_t>(std::clamp(acq.SweepLength, 0, kMaxSampleIndex));
    const auto codes = std::span<const int32_t>(acq.RawCodes).subspan(1, n);
    const bool known = ch >= 0 && ch <= 8;
    const auto c = static_cast<size_t>(known ? ch : 0);
    const int32_t zero = known ? Catalogue().ChannelOffset[c] : 0;
    const float scale = known ? Catalogue().ChannelScale[c] : 0.0f;
    const SpectrumResult result = ComputeSpectrum(codes, zero, s.WindowTable, s.AdcBits, s.FftWork);
    if (result.empty()) {
        mdiAnalyzer().statusText = kSpectrumTooShort;
        return;
    }
    s.FftData.assign(result.magnitudes.begin(), result.magnitudes.end());
    s.FftPoints = result.points;
    s.FftPeakMag = result.peakMag;
    s.FftPeakIndex = result.peakIndex;
    s.FftYFull = result.yFull;

    LoadForm(FormId::frmFFT);
    auto& f = frmFFT();
    f.form.caption = "Freq Data -- " + Catalogue().ChannelTitle;
    f.lblFs.caption = acq.SampleRateHz <= 0 ? "0" : Format(acq.SampleRateHz, "0.0");
    s.FftBinWidth =
        acq.SampleRateHz > 0 ? acq.SampleRateHz / static_cast<float>(s.FftPoints) : 0.0f;
    s.FftPeakValue = scale * (s.FftPeakMag * 2047.5f);
    s.FftPeakFreq = static_cast<float>(s.FftPeakIndex) * s.FftBinWidth;
    f.lblTemp.caption = Format(acq.Temperature, "0.0");
    f.lblFftMax.caption = Format(s.FftPeakValue, "0.000");
    f.lblFftMaxFreq.caption = Format(s.FftPeakFreq, "0.0");
    PlotSpectrum();
}

float SpectrumBinValue(int32_t index) {
    const auto& s = Spectrum();
    const int16_t ch = Acquisition().ChannelIndex;
    if (index < 0 || static_cast<size_t>(index) >= s.FftData.size() || ch < 0 || ch > 8) {
        return 0.0f;
    }
    return static_cast<float>(s.FftData[static_cast<size_t>(index)] * 2047.5) *
           Catalogue().ChannelScale[static_cast<size_t>(ch)];
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
