#include "interfaces/PortSetup.h"

#include "app/Analyzer.h"
#include "app/TextFormat.h"
#include "interfaces/SetupGiveIO.h"
#include "platform/Frontend.h"
#include "platform/PortIo.h"

#include <string>

namespace {

// The dialog's size as designed, in twips.
constexpr int32_t kPortDialogWidth = 3330;
constexpr int32_t kPortDialogHeight = 1950;

void EnsureLoaded() {
    auto& dialog = App().frmPort;
    if (!dialog.loaded) {
        dialog.loaded = true;
        frmPort_Form_Load();
    }
}

// The main window follows PortAddress, whichever way the dialog was left.
void ShowPortChoice() {
    auto& app = App();
    auto& m = app.mdiAnalyzer;
    if (app.PortAddress != 0) {
        m.mnuPort.checked = true;
        m.mnuUSB.checked = false;
        m.txtInterface.text = "Parallel";
        m.txtPort.text = HexText16(app.PortAddress);
    } else {
        m.txtInterface.text = "NONE";
        m.txtPort.text = "NONE";
        app.InterfaceCode = 0;
        ClosePort();
    }
}

void ChoosePortAddress(const char* hex) {
    EnsureLoaded();
    App().frmPort.txtUser.text = hex;
    frmPort_cmdOK_Click();
    ShowPortChoice();
}

} // namespace

void frmPort_Form_Load() {
    auto& app = App();
    auto& g = app.frmPort.form;
    g.left = app.frmData.form.left;
    g.top = app.frmData.form.top;
    g.width = kPortDialogWidth;
    g.height = kPortDialogHeight;
}

void frmPort_Form_Activate() { App().frmPort.txtUser.text = HexText16(App().PortAddress); }

void frmPort_cmdOK_Click() {
    auto& app = App();
    auto& dialog = app.frmPort;
    if (dialog.txtUser.text.empty()) {
        return;
    }
    app.PortAddress = HexTextToInteger(dialog.txtUser.text);
    dialog.txtUser.text = HexText16(app.PortAddress);
    app.InterfaceCode = 1;
    OpenPortAccess(true);
    dialog.form.visible = false;
    Ui().Hide(FormId::frmPort);
}

void frmPort_cmdCancel_Click() {
    App().frmPort.form.visible = false;
    Ui().Hide(FormId::frmPort);
}

void mnuPort_Click() {
    EnsureLoaded();
    frmPort_Form_Activate();
    App().frmPort.form.visible = true;
    Ui().ShowModal(FormId::frmPort);
    App().frmPort.form.visible = false;
    // After Cancel the USB adapter (or no interface) is still in use: the window must not
    // claim the parallel port.
    if (App().InterfaceCode == 1) {
        ShowPortChoice();
    }
}

void lblPort_MouseDown(int16_t Button, int16_t, float, float) {
    if (Button != 2) {
        return;
    }
    auto& app = App();
    if (app.InterfaceCode != 2) {
        Ui().Popup(PopupMenu::PortAddress);
        return;
    }
    for (int n = 0; n < 4; ++n) {
        if (!app.UsbAdapters[n].Present) {
            app.mdiAnalyzer.mnuEzUsbN[n].enabled = false;
        }
    }
    Ui().Popup(PopupMenu::EzUsb);
}

void mnuPort378_Click() { ChoosePortAddress("378"); }

void mnuPort278_Click() { ChoosePortAddress("278"); }

void mnuPort3BC_Click() { ChoosePortAddress("3BC"); }
