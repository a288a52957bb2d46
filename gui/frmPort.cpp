#include "gui/frmPort.h"
#include "platform/Frontend.h"

#include "commands/PortSetup.h"
#include "forms/PortForm.h"
#include "gui/QtControls.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace {

FrmPortForm& Model() { return frmPort(); }

} // namespace

FrmPortView::FrmPortView() {
    setObjectName(QStringLiteral("frmPort"));
    setModal(true);

    label_ = new QLabel(this);
    label_->setObjectName(QStringLiteral("Label1"));
    txtUser_ = new QLineEdit(this);
    txtUser_->setObjectName(QStringLiteral("txtUser"));
    txtUser_->setAccessibleName(QStringLiteral("Port Address (Hex)"));
    label_->setBuddy(txtUser_);
    // A port address is at most four hexadecimal digits.
    txtUser_->setMaxLength(4);
    txtUser_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9A-Fa-f]{0,4}")), txtUser_));
    txtUser_->setFixedWidth(txtUser_->fontMetrics().horizontalAdvance(QStringLiteral("WWWW")) + 16);
    cmdOK_ = new QPushButton(this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setDefault(true);
    cmdCancel_ = new QPushButton(this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(label_, 0, 0);
    grid->addWidget(txtUser_, 0, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdOK_);
    buttons->addWidget(cmdCancel_);
    grid->addLayout(buttons, 1, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetMinimumSize);
    setTabOrder(txtUser_, cmdCancel_);
    setTabOrder(cmdCancel_, cmdOK_);

    connect(txtUser_, &QLineEdit::textEdited,
            [](const QString& text) { Model().txtUser.text = text.toStdString(); });
    connect(cmdOK_, &QPushButton::clicked, this, [] {
        frmPort_cmdOK_Click();
        Ui().Refresh();
    });
    connect(cmdCancel_, &QPushButton::clicked, this, [] { frmPort_cmdCancel_Click(); });
}

void FrmPortView::SyncFromModel() {
    const auto& m = Model();
    SyncLabel(label_, m.Label1);
    SyncTextBox(txtUser_, m.txtUser);
    SyncButton(cmdOK_, m.cmdOK);
    SyncButton(cmdCancel_, m.cmdCancel);
}

void FrmPortView::reject() {
    frmPort_cmdCancel_Click();
    QDialog::reject();
}
