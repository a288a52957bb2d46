#include "plots/frmFFT.h"

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
    SyncFromModel();
}
