#include "gui/frmFFT.h"
#include "platform/Frontend.h"

#include "commands/SpectrumWindow.h"
#include "plots/SpectrumPlot.h"

#include <QCloseEvent>

namespace {

FrmFftForm& Model() { return frmFFT(); }

} // namespace

FrmFftView::FrmFftView() : QtPlotWindow("frmFFT", Model) {
    using F = FrmFftForm;
    auto* frameFreqStats = NewReadouts("frameFreqStats", &F::frameFreqStats,
                                       {{"Label3", &F::Label3, "lblFs", &F::lblFs},
                                        {"Label5", &F::Label5, "lblFftMax", &F::lblFftMax},
                                        {"Label7", &F::Label7, "lblFftMaxFreq", &F::lblFftMaxFreq},
                                        {"Label2", &F::Label2, "lblTemp", &F::lblTemp}});
    grid_->addWidget(frameFreqStats, 0, 2, Qt::AlignTop);

    auto* lblTS = new MouseLabel(this);
    lblTS->setObjectName(QStringLiteral("lblTS"));
    BindLabel(lblTS, &F::lblTS);
    grid_->addWidget(lblTS, 1, 2);

    for (int i = 0; i < int(lblYscale_.size()); ++i) {
        lblYscale_[i]->onMouseDown = [i](const MouseDown& down) {
            frmFFT_lblYscale_MouseDown(int16_t(i), down.button, down.shift, down.x, down.y);
            Ui().Refresh();
        };
    }
    for (int i = 0; i < int(lblPlotX_.size()); ++i) {
        lblPlotX_[i]->onMouseDown = [i](const MouseDown& down) {
            frmFFT_lblPlotX_MouseDown(int16_t(i), down.button, down.shift, down.x, down.y);
            Ui().Refresh();
        };
    }
    pic1_->onMousePress = [](QMouseEvent* event) {
        const MouseDown down = ToMouseDown(event);
        frmFFT_pic1_MouseDown(down.button, down.shift, down.x, down.y);
        Ui().Refresh();
    };
    // The plot area took its new size inside Qt's layout: the trace is drawn again at once,
    // without letting other events in halfway, and the window shows the model as it now is.
    pic1_->onResized = [] {
        const EventsHeld held;
        frmFFT_Form_Resize();
        Ui().Refresh();
    };
    // Below this the axis labels and the readouts no longer fit beside the plot.
    setMinimumSize(8200 / kTwipsPerPixel, 3000 / kTwipsPerPixel);
    SyncFromModel();
}

void FrmFftView::closeEvent(QCloseEvent* event) {
    frmFFT_Form_Unload();
    Ui().Refresh();
    event->accept();
}
