// The spectrum plot: grid, axis labels and the magnitude trace.
#pragma once

#include <cstdint>

// Bins the last spectrum has: half its points (none before the first one).
int32_t BinsComputed();

void PlotSpectrum();
void DrawSpectrumGrid();
void LabelSpectrumXAxis();
void LabelSpectrumYAxis();
void PlotSpectrumStart(double& magnitude);
void PlotSpectrumPoint(double& magnitude);
