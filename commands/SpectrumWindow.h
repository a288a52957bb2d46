// The spectrum of the last sweep and its window's handlers: load, resize and close, and the
// right clicks on the axes and in the plot.
#pragma once

#include <cstdint>

// The spectrum of the last sweep's codes, its readouts, and the plot. Nothing without
// samples. A sweep length that is not a power of two uses the largest power of two of
// samples that fits; fewer than 8 samples give no spectrum, and the status line says why.
void RunSpectrum();
inline constexpr const char* kSpectrumTooShort =
    "The spectrum needs a sweep of at least 8 samples.";
// Bin index of the last spectrum as an amplitude in the channel's units; 0 outside it.
float SpectrumBinValue(int32_t index);

void frmFFT_Form_Load();
void frmFFT_Form_Resize();
// Closing the window switches the spectrum off.
void frmFFT_Form_Unload();
// Right clicks: the x- and y-zoom menus on the axis labels, the readout in the plot.
void frmFFT_lblPlotX_MouseDown(int16_t Index, int16_t Button, int16_t Shift, float X, float Y);
void frmFFT_lblYscale_MouseDown(int16_t Index, int16_t Button, int16_t Shift, float X, float Y);
void frmFFT_pic1_MouseDown(int16_t Button, int16_t Shift, float X, float Y);
