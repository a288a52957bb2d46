// The spectrum window: the drawing area with its axis labels and the spectrum's readouts.
#pragma once

#include "gui/QtPlotWindow.h"

class FrmFftView final : public QtPlotWindow<FrmFftForm> {
    Q_OBJECT
public:
    FrmFftView();

protected:
    void closeEvent(QCloseEvent* event) override;
};
