#include "plots/frmFFT.h"

#include "app/Analyzer.h"
#include "app/QtCanvas.h"
#include "app/QtControls.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

FrmFftForm& Model() { return App().frmFFT; }

} // namespace

FrmFftView::FrmFftView() {
    setObjectName(QStringLiteral("frmFFT"));
    auto* grid = new QGridLayout(this);

    pic1_ = new CanvasWidget(this);
    pic1_->setObjectName(QStringLiteral("pic1"));
    pic1_->setMinimumSize(240, 120);
    Model().pic1 = &pic1_->Canvas();

    grid->addLayout(NewYAxis(this, lblYscale_), 0, 0);
    grid->addWidget(pic1_, 0, 1);
    grid->addLayout(NewXAxis(this, lblPlotX_), 1, 1);
    for (int i = 0; i < 9; ++i) {
        lblYscale_[i]->setObjectName(QStringLiteral("lblYscale%1").arg(i));
        syncs_.push_back([this, i] { SyncLabel(lblYscale_[i], Model().lblYscale[i]); });
    }
    for (int i = 0; i < 5; ++i) {
        lblPlotX_[i]->setObjectName(QStringLiteral("lblPlotX%1").arg(i));
        syncs_.push_back([this, i] { SyncLabel(lblPlotX_[i], Model().lblPlotX[i]); });
    }

    std::vector<std::pair<MouseLabel*, MouseLabel*>> rows;
    auto* frameFreqStats = NewReadoutFrame(this, "frameFreqStats",
                                           {{"Label3", "lblFs"},
                                            {"Label5", "lblFftMax"},
                                            {"Label7", "lblFftMaxFreq"},
                                            {"Label2", "lblTemp"}},
                                           rows);
    using Form = FrmFftForm;
    const std::array<std::pair<Label Form::*, Label Form::*>, 4> models{{
        {&Form::Label3, &Form::lblFs},
        {&Form::Label5, &Form::lblFftMax},
        {&Form::Label7, &Form::lblFftMaxFreq},
        {&Form::Label2, &Form::lblTemp},
    }};
    for (size_t i = 0; i < models.size(); ++i) {
        auto [title, value] = rows[i];
        auto [titleModel, valueModel] = models[i];
        syncs_.push_back([title, titleModel] { SyncLabel(title, Model().*titleModel); });
        syncs_.push_back([value, valueModel] { SyncLabel(value, Model().*valueModel); });
    }
    syncs_.push_back([frameFreqStats] { SyncFrame(frameFreqStats, Model().frameFreqStats); });
    grid->addWidget(frameFreqStats, 0, 2, Qt::AlignTop);

    auto* lblTS = new MouseLabel(this);
    lblTS->setObjectName(QStringLiteral("lblTS"));
    syncs_.push_back([lblTS] { SyncLabel(lblTS, Model().lblTS); });
    grid->addWidget(lblTS, 1, 2);

    grid->setColumnStretch(1, 1);
    grid->setRowStretch(0, 1);
    SyncFromModel();
}

FrmFftView::~FrmFftView() {
    if (Model().pic1 == &pic1_->Canvas()) {
        Model().pic1 = nullptr;
    }
}

void FrmFftView::SyncFromModel() {
    for (const auto& sync : syncs_) {
        sync();
    }
}
