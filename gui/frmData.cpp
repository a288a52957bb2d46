#include "gui/frmData.h"
#include "platform/Frontend.h"

#include "commands/TimePlot.h"
#include "plots/PlotSetup.h"

namespace {

FrmDataForm& Model() { return frmData(); }

} // namespace

FrmDataView::FrmDataView() : QtPlotWindow("frmData", Model) {
    std::array<MouseLabel*, 4> lblTest{};
    grid_->addLayout(NewQuarterCaptions(this, lblTest), 2, 1);
    BindLabels(lblTest, "lblTest", &FrmDataForm::lblTest);

    using F = FrmDataForm;
    auto* frameStats =
        NewReadouts("frameStats", &F::frameStats,
                    {{"lblTS", &F::lblTS, "lblTsample", &F::lblTsample},
                     {"Label3", &F::Label3, "lblRMS", &F::lblRMS},
                     {"Label2", &F::Label2, "lblTemp", &F::lblTemp},
                     {"Label7", &F::Label7, "lblMin", &F::lblMin},
                     {"Label6", &F::Label6, "lblMax", &F::lblMax},
                     {"label5", &F::label5, "lblPkPk", &F::lblPkPk},
                     {"lblShowAverage", &F::lblShowAverage, "lblAverage", &F::lblAverage}});
    grid_->addWidget(frameStats, 0, 2, 3, 1, Qt::AlignTop);

    for (int i = 0; i < int(lblYscale_.size()); ++i) {
        lblYscale_[i]->onMouseDown = [i](const MouseDown& down) {
            frmData_lblYscale_MouseDown(int16_t(i), down.button, down.shift, down.x, down.y);
            Ui().Refresh();
        };
    }
    frameStats->findChild<MouseLabel*>(QStringLiteral("lblTS"))->onMouseDown =
        [](const MouseDown& down) {
            frmData_lblTS_MouseDown(down.button, down.shift, down.x, down.y);
            Ui().Refresh();
        };
    frameStats->findChild<MouseLabel*>(QStringLiteral("lblShowAverage"))->onMouseDown =
        [](const MouseDown& down) {
            frmData_lblShowAverage_MouseDown(down.button, down.shift, down.x, down.y);
            Ui().Refresh();
        };
    pic1_->onMousePress = [](QMouseEvent* event) {
        const MouseDown down = ToMouseDown(event);
        frmData_pic1_MouseDown(down.button, down.shift, down.x, down.y);
        Ui().Refresh();
    };
    // The plot area took its new size inside Qt's layout: the trace is drawn again at once,
    // without letting other events in halfway, and the window shows the model as it now is.
    pic1_->onResized = [] {
        const EventsHeld held;
        frmData_Form_Resize();
        Ui().Refresh();
    };
    // Below this the axis labels and the statistics no longer fit beside the plot.
    setMinimumSize(8360 / kTwipsPerPixel, 2800 / kTwipsPerPixel);
    SyncFromModel();
}
