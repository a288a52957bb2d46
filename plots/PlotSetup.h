// Scales and drawing of the time plot, the grid the spectrum plot shares, and the state of
// both plots and of the last spectrum.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "analysis/Spectrum.h"
#include "forms/Controls.h"

class Canvas;

// Applies SweepLength to the time plot: samples across, x labels, grid.
void ApplyPlotLength();
// Clears a plot area and draws the 8 x 8 dotted grid both plots share, and places their tick
// labels.
void DrawGrid(Canvas* pic, std::array<Label, 9>& yLabels, std::array<Label, 5>& xLabels);
// Clears the plot area, draws the grid, places the ticks and labels, and recomputes the
// x step and the y scale.
void DrawTimeGrid();
// Y range from the zoom and the midscale code, the value labels, the grid, the menu ticks.
void ApplyTimeYScale();
// Plots one sample of the current trace, given its raw code.
void PlotSample(int32_t code);
// Width of the time plot's drawing area (0 before it exists), and whether the next sample's
// step still lands inside it: sweeps and logs stop drawing at the right edge.
float TimePlotWidth();
bool NextSampleFits();
// Draws the stored trace again with the current scales.
void ReplotTrace();

// The time plot's drawing state, and the spectrum plot's.
struct PlotState {
    float PlotX = 0.0f;     // x of the last plotted sample
    float PlotXStep = 0.0f; // x between samples
    int32_t YScaleDivisor = 1;
    int32_t PlotSamples = 2048;
    int32_t PlotYMinCode = 0;
    int32_t PlotYMaxCode = 4096;
    int32_t MidscaleCode = 2048;
    int32_t CodesPerDivision = 512;
    float PlotYScale = 0.0f;
    int32_t LastPlotY = 0;
    float SampleValue = 0.0f;
    int32_t PlotIndex = 0; // samples in the current trace
    int32_t ValueDecimals = 2;
    int32_t DataWindowWidth = 0;
    int32_t DataWindowHeight = 0;
    int32_t FftWindowWidth = 0;
    int32_t FftWindowHeight = 0;
    float FftBinsShown = 0.0f;
    float FftXStep = 0.0f;
    float FftYScale = 0.0f;
    float FftPlotX = 0.0f;
    int32_t FftLastY = 0;
    // Bins drawn by the last spectrum plot, the bound of its readout (the time plot keeps
    // PlotIndex for its trace).
    int32_t FftPointsPlotted = 0;
};
PlotState& Plot();

// The last spectrum, which both plots' scales follow.
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
