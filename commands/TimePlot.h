// The time-plot window's handlers: showing and placing it, its load and resize, the right
// clicks, and the statistics readouts.
#pragma once

#include <cstdint>

// A time-plot window the user closed comes back when something draws on it.
void ShowTimePlot();
// The time plot's height in the plot area: all of it, or the upper half beside the
// spectrum. A minimised or maximised window is left as it is.
void FitTimePlot(bool besideSpectrum);
// Plots a sample of a run; every 250 samples of the trace the statistics so far are shown.
void PlotRunSample(int32_t code);

void frmData_Form_Load();
// The time-plot window or its plot area changed size.
void frmData_Form_Resize();
// Right click on a y label: the y-scale menu.
void frmData_lblYscale_MouseDown(int16_t Index, int16_t Button, int16_t Shift, float X, float Y);
// Right click on "Average": the y-scale menu, with the midscale commands.
void frmData_lblShowAverage_MouseDown(int16_t Button, int16_t Shift, float X, float Y);
// Right click in the plot: the readout of the sample under the pointer.
void frmData_pic1_MouseDown(int16_t Button, int16_t Shift, float X, float Y);

// Minimum, maximum, mean and AC RMS of the first count samples, shown in "Statistics".
void ComputeStatistics(int32_t& count);
// Readouts back to "0" (temperature "---  "); the statistics themselves are kept.
void ClearReadouts();
// Right click on "Ts (mS)": the sample rate of the last sweep.
void frmData_lblTS_MouseDown(int16_t Button, int16_t Shift, float X, float Y);

struct StatisticsState {
    float StatMean = 0.0f;
    float StatMin = 0.0f;
    float StatMax = 0.0f;
    float StatSumSq = 0.0f;
    float StatRms = 0.0f;
};
StatisticsState& Statistics();
