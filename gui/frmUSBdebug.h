// The debug console "USB SPI Card Setup".
#pragma once

#include "gui/QtUsbDialog.h"

class FrmUSBdebugView final : public QtUsbDialog {
    Q_OBJECT
public:
    FrmUSBdebugView();
};
