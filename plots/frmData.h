// The time-plot window: the drawing area with its axis labels and the statistics.
#pragma once

#include "app/QtFrontend.h"

#include <QWidget>

#include <array>
#include <functional>
#include <vector>

class CanvasWidget;
class MouseLabel;

class FrmDataView final : public QWidget, public FormView {
    Q_OBJECT
public:
    FrmDataView();
    ~FrmDataView() override;

    void SyncFromModel() override;

private:
    CanvasWidget* pic1_;
    std::array<MouseLabel*, 9> lblYscale_{};
    std::array<MouseLabel*, 5> lblPlotX_{};
    std::array<MouseLabel*, 4> lblTest_{};
    std::vector<std::function<void()>> syncs_;
};
