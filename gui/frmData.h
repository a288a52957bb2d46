// The time-plot window: the drawing area with its axis labels and the statistics.
#pragma once

#include "gui/QtPlotWindow.h"

class FrmDataView final : public QtPlotWindow<FrmDataForm> {
    Q_OBJECT
public:
    FrmDataView();
};
