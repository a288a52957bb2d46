// Geometry and drawing of the time plot.
#pragma once

#include <cstdint>

// Applies SweepLength to the time plot: samples across, x labels, grid.
void ApplyPlotLength();
// Clears the plot area, draws the grid, places the ticks and labels, and recomputes the
// x step and the y scale.
void DrawTimeGrid();
// Y range from the zoom and the midscale code, the value labels, the grid, the menu ticks.
void ApplyTimeYScale();
// Plots one sample of the current trace, given its raw code.
void PlotSample(int32_t code);
// Draws the stored trace again with the current scales.
void ReplotTrace();

void frmData_Form_Load();
// The time-plot window or its plot area changed size.
void frmData_Form_Resize();
// Right click on a y label: the y-scale menu.
void frmData_lblYscale_MouseDown(int16_t Index, int16_t Button, int16_t Shift, float X, float Y);
// Right click in the plot: the readout of the sample under the pointer.
void frmData_pic1_MouseDown(int16_t Button, int16_t Shift, float X, float Y);
