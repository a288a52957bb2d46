#include "analysis/FFT.h"

#include "forms/Forms.h"
#include "forms/MainWindowForm.h"
#include "forms/SpectrumForm.h"
#include "platform/TextFormat.h"
#include "plots/SpectrumPlot.h"
#include "sensors/Acquisition.h"
#include "sensors/SensorModels.h"

#include <algorithm>
#include <span>

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
        mdiAnalyzer().statusText = "The spectrum needs a sweep of at least 8 samples.";
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
