#include "plots/PlotSetup.h"

#include "analysis/FFT.h"
#include "app/Analyzer.h"

#include <string>

void ApplyPlotLength() {
    auto& app = App();
    BuildWindowTable();
    app.PlotSamples = app.SweepLength;
    const int32_t n = app.PlotSamples;
    auto& x = app.frmData.lblPlotX;
    x[0].caption = "0";
    x[1].caption = std::to_string(n / 4);
    x[2].caption = std::to_string(n / 2);
    x[3].caption = std::to_string(3 * n / 4);
    x[4].caption = std::to_string(n);
}

void DrawTimeGrid() {}
void ApplyTimeYScale() {}
void PlotSample(int32_t) {}
void ReplotTrace() {}
void frmData_Form_Load() {}
void frmData_Form_Resize() {}
void frmData_lblYscale_MouseDown(int16_t, int16_t, int16_t, float, float) {}
void frmData_pic1_MouseDown(int16_t, int16_t, float, float) {}
