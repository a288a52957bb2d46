// Statistics of the samples taken, and their readouts in the time-plot window.
#pragma once

#include <cstdint>

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
