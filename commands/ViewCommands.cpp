#include "commands/ViewCommands.h"

#include "app/Analyzer.h"
#include "app/TextFormat.h"
#include "plots/PlotSetup.h"

#include <cstdint>

namespace {

void ApplyYScale(int32_t divisor) {
    App().YScaleDivisor = divisor;
    ApplyTimeYScale();
    ReplotTrace();
}

// The centre code stays where the plot still shows a useful part of the converter's range.
void ApplyMidscale(double code) {
    if (!(code >= 1000)) {
        code = 1000;
    } else if (code > 3000) {
        code = 3000;
    }
    App().MidscaleCode = static_cast<int32_t>(RoundToEven(code));
    ApplyTimeYScale();
    ReplotTrace();
}

} // namespace

void mnuScaleFull_Click() { ApplyYScale(1); }
void mnuScaleHalf_Click() { ApplyYScale(2); }
void mnuScaleQuarter_Click() { ApplyYScale(4); }
void mnuScaleEighth_Click() { ApplyYScale(8); }
void mnuScaleSixteenth_Click() { ApplyYScale(16); }
void mnuScale32_Click() { ApplyYScale(32); }

void mnuSetPlottoAvg_Click() {
    const auto& app = App();
    const int16_t ch = app.ChannelIndex;
    const float codesFromZero = app.StatMean / app.ChannelScale[ch];
    ApplyMidscale(double(codesFromZero) + app.ChannelOffset[ch]);
}

void mnuReSetMidscale_click() {
    const auto& app = App();
    ApplyMidscale(app.ChannelOffset[app.ChannelIndex]);
}
