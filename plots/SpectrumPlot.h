// The spectrum's data and its plot: grid, axis labels and the magnitude trace.
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
// Bins the last spectrum has: half its points (none before the first one).
int32_t BinsComputed();

void PlotSpectrum();
void DrawSpectrumGrid();
void LabelSpectrumXAxis();
void LabelSpectrumYAxis();
void PlotSpectrumStart(double& magnitude);
void PlotSpectrumPoint(double& magnitude);
