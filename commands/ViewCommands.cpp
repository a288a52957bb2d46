#include "commands/ViewCommands.h"

#include "app/Analyzer.h"

void mnuScaleFull_Click() {
    auto& app = App();
    auto& m = app.mdiAnalyzer;
    app.YScaleDivisor = 1;
    m.mnuScaleFull.checked = true;
    m.mnuScaleHalf.checked = false;
    m.mnuScaleQuarter.checked = false;
    m.mnuScaleEighth.checked = false;
    m.mnuScaleSixteenth.checked = false;
    m.mnuScale32.checked = false;
}

void mnuScaleHalf_Click() {}
void mnuScaleQuarter_Click() {}
void mnuScaleEighth_Click() {}
void mnuScaleSixteenth_Click() {}
void mnuScale32_Click() {}
void mnuSetPlottoAvg_Click() {}
void mnuReSetMidscale_click() {}
