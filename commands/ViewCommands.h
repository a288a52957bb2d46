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
