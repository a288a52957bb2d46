// The spectrum window's drawing: grid, axis labels, the magnitude trace, the zoom state, the
// cursor readout and the window's own load, resize and close.
#pragma once

#include <cstdint>

void PlotSpectrum();
void DrawSpectrumGrid();
void LabelSpectrumXAxis();
void LabelSpectrumYAxis();
void PlotSpectrumStart(double& magnitude);
void PlotSpectrumPoint(double& magnitude);

void frmFFT_Form_Load();
void frmFFT_Form_Resize();
// Closing the window switches the spectrum off.
void frmFFT_Form_Unload();
// Right clicks: the x- and y-zoom menus on the axis labels, the readout in the plot.
void frmFFT_lblPlotX_MouseDown(int16_t Index, int16_t Button, int16_t Shift, float X, float Y);
void frmFFT_lblYscale_MouseDown(int16_t Index, int16_t Button, int16_t Shift, float X, float Y);
void frmFFT_pic1_MouseDown(int16_t Button, int16_t Shift, float X, float Y);
