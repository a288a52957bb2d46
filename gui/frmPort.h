// The "Parallel Port Setup" dialog.
#pragma once

#include "gui/FormView.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class FrmPortView final : public QDialog, public FormView {
    Q_OBJECT
public:
    FrmPortView();
    void SyncFromModel() override;

protected:
    // The close box and Escape change nothing, as Cancel.
    void reject() override;

private:
    QLabel* label_;
    QLineEdit* txtUser_;
    QPushButton* cmdOK_;
    QPushButton* cmdCancel_;
};
