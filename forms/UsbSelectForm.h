// The adapter selection dialog's form model, and the adapter list it shares with the debug
// console.
#pragma once

#include <array>

#include "forms/Controls.h"

// One row an adapter found by the search (EzUsb0..EzUsb3), and "None".
struct AdapterListControls {
    Label lblDevice{"Device"};
    Label lblRev{"Rev"};
    Label lblSpeed{"Speed"};
    std::array<OptionButton, 5> optUsbPort{OptionButton{"EzUsb0"}, OptionButton{"EzUsb1"},
                                           OptionButton{"EzUsb2"}, OptionButton{"EzUsb3"},
                                           OptionButton{"None"}};
    std::array<TextBox, 4> txtDescript0;
    std::array<TextBox, 4> txtDriverRev;
    std::array<TextBox, 4> txtSpeed;
    Button cmdFindEzUsb{"Search"};
};

struct FrmUSBselectForm : AdapterListControls {
    FormGeometry form{"USB SPI Card Selection"};
    Frame frameAdaptors{"Adaptor List"};
    Button cmdOK{"OK"};
    Button cmdDebugUsb{"Debug"};
    bool chosen = false; // the dialog was left with OK
};

FrmUSBselectForm& frmUSBselect();
