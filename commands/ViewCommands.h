// The main window's view commands.
#pragma once

// Vertical zoom of the time plot: the full code range, 1/2 .. 1/32 of it.
void mnuScaleFull_Click();
void mnuScaleHalf_Click();
void mnuScaleQuarter_Click();
void mnuScaleEighth_Click();
void mnuScaleSixteenth_Click();
void mnuScale32_Click();
// Centre of the time plot: the last sweep's mean, or the code of the value 0.
void mnuSetPlottoAvg_Click();
void mnuReSetMidscale_click();

// The spectrum on (its window shown, tiled under the time plot, and computed for the last
// sweep) or off (hidden).
void mnuFFTon_Click();
void mnuFFToff_Click();
// Spectrum x zoom: N/2 (up to half the sample rate), N/4 .. N/32 bins across.
void mnuFFTXfull_Click();
void mnuFFTXhalf_Click();
void mnuFFTXquarter_Click();
void mnuFFTXeighth_Click();
void mnuFFTX16th_Click();
// Spectrum y zoom: the magnitude at the top, 1 .. 0.004, or twice the last peak.
void mnuFFTYfull_Click();
void mnuFFTYhalf_Click();
void mnuFFTYQuarter_Click();
void mnuFFTYeighth_Click();
void mnuFFTY16th_Click();
void mnuFFTY32nd_Click();
void mnuFFTY100th_Click();
void mnuFFTY250th_Click();
void mnuFFTYauto_Click();

// Samples per sweep (and per log pass), as the "Samples" list offers them.
void SetSweepLength256();
void SetSweepLength512();
void SetSweepLength1024();
void SetSweepLength2048();
void SetSweepLength4096();
void SetSweepLength8192();
void SetSweepLength16384();
void SetSweepLength32768();
// The "Samples" list: the chosen length, through its operation.
void DatalogLengthCBX_Click();
