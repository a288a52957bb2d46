// Geometry and drawing of the time plot.
#pragma once

// Applies SweepLength to the time plot: samples across, x labels, grid.
void ApplyPlotLength();
