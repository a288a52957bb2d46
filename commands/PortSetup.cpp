#include "commands/PortSetup.h"

#include "commands/InterfaceChoice.h"
#include "forms/Forms.h"
#include "forms/MainWindowForm.h"
#include "forms/PortForm.h"
#include "forms/TimePlotForm.h"
#include "interfaces/Interface.h"
#include "interfaces/SetupGiveIO.h"
#include "interfaces/UsbSpiDrivers.h"
#include "platform/Frontend.h"
#include "platform/PortIo.h"
#include "platform/TextFormat.h"

#include <string>

namespace {

// The dialog's size as designed, in twips.
constexpr int32_t kPortDialogWidth = 3330;
constexpr int32_t kPortDialogHeight = 1950;

// The main window follows PortAddress, whichever way the dialog was left.
void ShowPortChoice() {
    auto& m = mdiAnalyzer();
    if (Interface().PortAddress != 0) {
        m.mnuPort.checked = true;
        m.mnuUSB.checked = false;
        m.txtInterface.text = "Parallel";
        m.txtPort.text = HexText16(Interface().PortAddress);
        if (PortIsOpen()) {
            ClearReachStatus();
        }
    } else {
        ShowNoInterface();
    }
}

void ChoosePortAddress(const char* hex) {
    LoadForm(FormId::frmPort);
    frmPort().txtUser.text = hex;
    frmPort_cmdOK_Click();
    ShowPortChoice();
}

} // namespace

void frmPort_Form_Load() {
    const auto& plot = frmData().form;
    PlaceForm(FormId::frmPort, {plot.left, plot.top, kPortDialogWidth, kPortDialogHeight});
}

void frmPort_Form_Activate() {
    // With no address saved yet, the usual first port.
    const int16_t address = Interface().PortAddress;
    frmPort().txtUser.text = address != 0 ? HexText16(address) : "378";
}

void frmPort_cmdOK_Click() {
    auto& dialog = frmPort();
    if (dialog.txtUser.text.empty()) {
        return;
    }
    Interface().PortAddress = HexTextToInteger(dialog.txtUser.text);
    dialog.txtUser.text = HexText16(Interface().PortAddress);
    Interface().InterfaceCode = kParallelInterface;
    OpenPortAccess(true);
    HideForm(FormId::frmPort);
}

void frmPort_cmdCancel_Click() { HideForm(FormId::frmPort); }

void mnuPort_Click() {
    ShowModalForm(FormId::frmPort);
    // After Cancel the USB adapter (or no interface) is still in use: the window must not
    // claim the parallel port.
    if (Interface().InterfaceCode == kParallelInterface) {
        ShowPortChoice();
    }
}

void lblPort_MouseDown(int16_t Button, int16_t, float, float) {
    if (Button != 2) {
        return;
    }
    if (Interface().InterfaceCode != kUsbInterface) {
        Ui().Popup(PopupMenu::PortAddress);
        return;
    }
    for (int n = 0; n < 4; ++n) {
        if (!Usb().UsbAdapters[n].Present) {
            mdiAnalyzer().mnuEzUsbN[n].enabled = false;
        }
    }
    Ui().Popup(PopupMenu::EzUsb);
}

void mnuPort378_Click() { ChoosePortAddress("378"); }

void mnuPort278_Click() { ChoosePortAddress("278"); }

void mnuPort3BC_Click() { ChoosePortAddress("3BC"); }
