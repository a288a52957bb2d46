// Spectrum of a sweep.
#pragma once

#include <cstdint>
#include <vector>

// Rebuilds the weighting table for the current sweep length: all 1.0 (rectangular).
void BuildWindowTable();

struct SpectrumState {
    bool FftOn = false; // a spectrum after every complete sweep
    int32_t AdcBits = 12;
    std::vector<double> WindowTable;
    std::vector<double> FftData;
    std::vector<double> FftRe;
    std::vector<double> FftIm;
    float FftPeakMag = 0.0f;
    int32_t FftPeakIndex = 0;
    float FftBinWidth = 0.0f;
    float FftPeakFreq = 0.0f;
    float FftPeakValue = 0.0f;
    float FftYFull = 1.0f;
};
SpectrumState& Spectrum();
