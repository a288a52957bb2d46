// The USB debug console's form model.
#pragma once

#include <array>

#include "forms/Controls.h"
#include "forms/UsbSelectForm.h"

// The USB debug console. Arrays indexed by channel, bit or word number leave the unused
// low elements alone.
struct FrmUSBdebugForm : AdapterListControls {
    FormGeometry form{"USB SPI Card Setup"};

    Frame frameBufferSetup{"Buffer Select"};
    Label lblDescriptor0{"Descriptor0"};
    Label lblDescriptor1{"Descriptor1"};
    std::array<TextBox, 4> txtUsbPort;
    std::array<TextBox, 4> txtDescript1;

    Frame frameSPIsetup{"SPI Setup", false};
    Frame frameSpiChan{"Csel Channel"};
    std::array<OptionButton, 5> optSpiChan{OptionButton{}, OptionButton{"Chan1"},
                                           OptionButton{"Chan2"}, OptionButton{"Chan3"},
                                           OptionButton{"Chan4"}};
    Label lblDelay{"Delay between words (uS)"};
    TextBox txtLoopDelay{"10"};
    Button cmdReadDelay{"Read"};
    Label lblPolarity{"Data Input Polarity"};
    Button cmdPolarity{"Pos"};
    Frame frameSpiStatic{"Static Bits"};
    std::array<CheckBox, 6> chkStaticBits{CheckBox{},      CheckBox{},      CheckBox{"CS2"},
                                          CheckBox{"CS3"}, CheckBox{"CS4"}, CheckBox{"CS5"}};
    Button cmdSetSpiBits{"Set Bits"};
    Button cmdReadBits{"Read"};

    Frame frameManual{"Manual Setup", false};
    Label lblWrite{"Write (hex)"};
    std::array<TextBox, 17> txtWriteSpi = [] {
        std::array<TextBox, 17> boxes;
        for (size_t k = 1; k < boxes.size(); ++k) {
            boxes[k].text = "0";
        }
        return boxes;
    }();
    Label lblReadback{"Readback"};
    std::array<TextBox, 17> txtReadSpi;
    Label lblNumWords{"# Words to Write"};
    TextBox txtNumWords{"1"};
    Button cmdWriteSpi{"Write"};
    Button cmdLoop{"Loop"};

    Button cmdExit{"OK"};

    // The console's "Loop" stops by its own flag: stopping it must not end a run in the main
    // window, nor the main window's Stop the console's loop.
    bool loopStop = true;
};
FrmUSBdebugForm& frmUSBdebug();
