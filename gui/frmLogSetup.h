// The "Datalog Setup" dialog: the channels to log, the temperature column, and plotting.
#pragma once

#include "gui/FormView.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QGroupBox;
class QPushButton;

class FrmLogSetupView final : public QDialog, public FormView {
    Q_OBJECT
public:
    FrmLogSetupView();
    void SyncFromModel() override;

protected:
    // The close box and Escape leave the channel list as it was, as not pressing OK does.
    void reject() override;

private:
    QGroupBox* framePlotChan_;
    std::array<QCheckBox*, 4> chkInput_{};
    QCheckBox* chkLogTemp_;
    QCheckBox* chkPlotData_;
    QPushButton* cmdOK_;
};
