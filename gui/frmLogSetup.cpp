#include "gui/frmLogSetup.h"

#include "commands/DataLog.h"
#include "forms/LogSetupForm.h"
#include "gui/QtControls.h"

#include "forms/Forms.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

FrmLogSetupForm& Model() { return frmLogSetup(); }

// A box the user ticks writes its value to the model, then runs its handler; every view
// then shows what it changed.
QCheckBox* NewBox(QWidget* parent, const QString& name, CheckBox& model,
                  const std::function<void()>& click) {
    auto* box = new QCheckBox(parent);
    box->setObjectName(name);
    QObject::connect(box, &QCheckBox::clicked, box, [&model, click](bool on) {
        model.value = on ? 1 : 0;
        click();
        Ui().Refresh();
    });
    return box;
}

} // namespace

FrmLogSetupView::FrmLogSetupView() {
    setObjectName(QStringLiteral("frmLogSetup"));
    setModal(true);
    auto& m = Model();

    framePlotChan_ = new QGroupBox(this);
    framePlotChan_->setObjectName(QStringLiteral("framePlotChan"));
    auto* inputs = new QVBoxLayout(framePlotChan_);
    for (int16_t i = 0; i < 4; ++i) {
        chkInput_[static_cast<size_t>(i)] =
            NewBox(framePlotChan_, QStringLiteral("chkInput%1").arg(i),
                   m.chkInput[static_cast<size_t>(i)], [i] { frmLogSetup_chkInput_Click(i); });
        inputs->addWidget(chkInput_[static_cast<size_t>(i)]);
    }
    chkLogTemp_ = NewBox(framePlotChan_, QStringLiteral("chkLogTemp"), m.chkLogTemp,
                         frmLogSetup_chkLogTemp_Click);
    inputs->addWidget(chkLogTemp_);
    chkPlotData_ =
        NewBox(this, QStringLiteral("chkPlotData"), m.chkPlotData, frmLogSetup_chkPlotData_Click);
    cmdOK_ = new QPushButton(this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setDefault(true);
    connect(cmdOK_, &QPushButton::clicked, this, [] {
        frmLogSetup_cmdOK_Click();
        Ui().Refresh();
    });

    auto* column = new QVBoxLayout(this);
    column->addWidget(framePlotChan_);
    column->addWidget(chkPlotData_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK_);
    column->addLayout(buttons);
    column->setSizeConstraint(QLayout::SetFixedSize);
}

void FrmLogSetupView::SyncFromModel() {
    const auto& m = Model();
    SyncFrame(framePlotChan_, m.framePlotChan);
    for (size_t i = 0; i < chkInput_.size(); ++i) {
        SyncCheckBox(chkInput_[i], m.chkInput[i]);
    }
    SyncCheckBox(chkLogTemp_, m.chkLogTemp);
    SyncCheckBox(chkPlotData_, m.chkPlotData);
    SyncButton(cmdOK_, m.cmdOK);
}

void FrmLogSetupView::reject() {
    HideForm(FormId::frmLogSetup);
    QDialog::reject();
}
