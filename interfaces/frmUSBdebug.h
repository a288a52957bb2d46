// The debug console "USB SPI Card Setup".
#pragma once

#include "interfaces/QtUsbDialog.h"

class FrmUSBdebugView final : public QtUsbDialog {
    Q_OBJECT
public:
    FrmUSBdebugView();
};
