// The spectrum of a sweep: its weighting table, the computation over the sweep's codes (the
// transform itself is the pure ComputeSpectrum), its results and the "FFT Statistics"
// readouts.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/Spectrum.h"

struct SpectrumState {
    bool FftOn = false; // a spectrum after every complete sweep
    int32_t AdcBits = 12;
    std::vector<double> WindowTable;
    // Magnitudes of bins 0..FftPoints/2-1 of the last spectrum.
    std::vector<double> FftData;
    SpectrumWorkspace FftWork; // the transform's arrays, kept from run to run
    int32_t FftPoints = 0;     // samples the last spectrum transformed
    float FftPeakMag = 0.0f;
    int32_t FftPeakIndex = 0;
    float FftBinWidth = 0.0f;
    float FftPeakFreq = 0.0f;
    float FftPeakValue = 0.0f;
    float FftYFull = 1.0f;
};
SpectrumState& Spectrum();

// Rebuilds the weighting table for the current sweep length: all 1.0 (rectangular).
void BuildWindowTable();
// The spectrum of the last sweep's codes, its readouts, and the plot. Nothing without
// samples. A sweep length that is not a power of two uses the largest power of two of
// samples that fits; fewer than 8 samples give no spectrum, and the status line says why.
void RunSpectrum();
// Bin index of the last spectrum as an amplitude in the channel's units; 0 outside it.
float SpectrumBinValue(int32_t index);
