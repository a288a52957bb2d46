// The dialog "USB SPI Card Selection".
#pragma once

#include "gui/QtUsbDialog.h"

class FrmUSBselectView final : public QtUsbDialog {
    Q_OBJECT
public:
    FrmUSBselectView();

protected:
    void showEvent(QShowEvent* event) override;
};
