#include "commands/ViewCommands.h"

#include "analysis/Statistics.h"
#include "app/TextFormat.h"
#include "plots/PlotSetup.h"
#include "sensors/Acquisition.h"
#include "sensors/SensorModels.h"

#include <cstdint>

namespace {

void ApplyYScale(int32_t divisor) {
    Plot().YScaleDivisor = divisor;
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
    Plot().MidscaleCode = static_cast<int32_t>(RoundToEven(code));
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
    const int16_t ch = Acquisition().ChannelIndex;
    const float codesFromZero = Statistics().StatMean / Catalogue().ChannelScale[ch];
    ApplyMidscale(double(codesFromZero) + Catalogue().ChannelOffset[ch]);
}

void mnuReSetMidscale_click() {
    ApplyMidscale(Catalogue().ChannelOffset[Acquisition().ChannelIndex]);
}
