#include "plots/frmData.h"

#include "app/Analyzer.h"
#include "app/QtCanvas.h"
#include "app/QtControls.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

FrmDataForm& Model() { return App().frmData; }

} // namespace

FrmDataView::FrmDataView() {
    setObjectName(QStringLiteral("frmData"));
    auto* grid = new QGridLayout(this);

    pic1_ = new CanvasWidget(this);
    pic1_->setObjectName(QStringLiteral("pic1"));
    pic1_->setMinimumSize(240, 120);
    Model().pic1 = &pic1_->Canvas();

    grid->addLayout(NewYAxis(this, lblYscale_), 0, 0);
    grid->addWidget(pic1_, 0, 1);
    grid->addLayout(NewXAxis(this, lblPlotX_), 1, 1);
    grid->addLayout(NewQuarterCaptions(this, lblTest_), 2, 1);
    for (int i = 0; i < 9; ++i) {
        lblYscale_[i]->setObjectName(QStringLiteral("lblYscale%1").arg(i));
        syncs_.push_back([this, i] { SyncLabel(lblYscale_[i], Model().lblYscale[i]); });
    }
    for (int i = 0; i < 5; ++i) {
        lblPlotX_[i]->setObjectName(QStringLiteral("lblPlotX%1").arg(i));
        syncs_.push_back([this, i] { SyncLabel(lblPlotX_[i], Model().lblPlotX[i]); });
    }
    for (int i = 0; i < 4; ++i) {
        lblTest_[i]->setObjectName(QStringLiteral("lblTest%1").arg(i));
        syncs_.push_back([this, i] { SyncLabel(lblTest_[i], Model().lblTest[i]); });
    }

    std::vector<std::pair<MouseLabel*, MouseLabel*>> rows;
    auto* frameStats = NewReadoutFrame(this, "frameStats",
                                       {{"lblTS", "lblTsample"},
                                        {"Label3", "lblRMS"},
                                        {"Label2", "lblTemp"},
                                        {"Label7", "lblMin"},
                                        {"Label6", "lblMax"},
                                        {"label5", "lblPkPk"},
                                        {"lblShowAverage", "lblAverage"}},
                                       rows);
    using Form = FrmDataForm;
    const std::array<std::pair<Label Form::*, Label Form::*>, 7> models{{
        {&Form::lblTS, &Form::lblTsample},
        {&Form::Label3, &Form::lblRMS},
        {&Form::Label2, &Form::lblTemp},
        {&Form::Label7, &Form::lblMin},
        {&Form::Label6, &Form::lblMax},
        {&Form::label5, &Form::lblPkPk},
        {&Form::lblShowAverage, &Form::lblAverage},
    }};
    for (size_t i = 0; i < models.size(); ++i) {
        auto [title, value] = rows[i];
        auto [titleModel, valueModel] = models[i];
        syncs_.push_back([title, titleModel] { SyncLabel(title, Model().*titleModel); });
        syncs_.push_back([value, valueModel] { SyncLabel(value, Model().*valueModel); });
    }
    syncs_.push_back([frameStats] { SyncFrame(frameStats, Model().frameStats); });
    grid->addWidget(frameStats, 0, 2, 3, 1, Qt::AlignTop);

    grid->setColumnStretch(1, 1);
    grid->setRowStretch(0, 1);
    SyncFromModel();
}

FrmDataView::~FrmDataView() {
    if (Model().pic1 == &pic1_->Canvas()) {
        Model().pic1 = nullptr;
    }
}

void FrmDataView::SyncFromModel() {
    for (const auto& sync : syncs_) {
        sync();
    }
}
