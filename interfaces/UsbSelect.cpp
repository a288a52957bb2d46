#include "interfaces/UsbSelect.h"

#include "app/Analyzer.h"
#include "app/TextFormat.h"
#include "interfaces/UsbSpiDrivers.h"
#include "platform/Frontend.h"
#include "platform/PortIo.h"
#include "sensors/DeviceSelect.h"

namespace {

constexpr int16_t kNone = 4;

FrmUSBselectForm& Form() { return App().frmUSBselect; }

void ChooseAdapter(int n) {
    auto& app = App();
    app.CurrentAdapter = app.UsbAdapters[static_cast<size_t>(n)];
    app.mdiAnalyzer.txtPort.text = app.CurrentAdapter.AdapterName;
    if (app.DeviceName == "KXS201" || app.DeviceName == "KXS202") {
        SetupForAccel();
    } else {
        SetupForGyro();
    }
}

} // namespace

void ChooseOption(OptionButton* group, int count, int16_t index, void (*click)(int16_t)) {
    if (index >= 0 && index < count) {
        group[index].value = false;
    }
    SetOptionValue(group, count, index, click);
}

std::string SpeedText(const std::string& usbSpeed) {
    const auto value = ParseNumber(usbSpeed);
    return value ? Format(*value, "0.0") : usbSpeed;
}

void frmUSBselect_Form_Load() {
    const auto& plot = App().frmData.form;
    Form().form.left = plot.left;
    Form().form.top = plot.top;
}

void frmUSBselect_Form_Activate() { frmUSBselect_cmdFindEzUsb_Click(); }

void frmUSBselect_cmdFindEzUsb_Click() {
    auto& app = App();
    auto& f = Form();
    for (size_t n = 0; n < 4; ++n) {
        f.optUsbPort[n].enabled = false;
        f.txtDescript0[n].text.clear();
        f.txtDriverRev[n].text.clear();
        f.txtSpeed[n].text.clear();
    }
    FindUsbAdapters();
    for (int16_t n = 0; n < 4; ++n) {
        const auto& record = app.UsbAdapters[static_cast<size_t>(n)];
        if (!record.Present) {
            continue;
        }
        f.optUsbPort[static_cast<size_t>(n)].enabled = true;
        if (app.CurrentAdapterIndex == n) {
            ChooseOption(f.optUsbPort.data(), 5, n, frmUSBselect_optUsbPort_Click);
        }
        f.txtDescript0[static_cast<size_t>(n)].text = record.Descriptor1;
        f.txtDriverRev[static_cast<size_t>(n)].text = Format(record.FirmwareRev, "0.0");
        f.txtSpeed[static_cast<size_t>(n)].text = SpeedText(record.UsbSpeed);
    }
    if (app.CurrentAdapterIndex == -1) {
        ChooseOption(f.optUsbPort.data(), 5, kNone, frmUSBselect_optUsbPort_Click);
    }
}

void frmUSBselect_optUsbPort_Click(int16_t Index) {
    auto& app = App();
    if (Index >= 0 && Index < 4) {
        app.CurrentAdapter = app.UsbAdapters[static_cast<size_t>(Index)];
        SetSpiWordDelay(app.SpiWordDelay);
        SetSpiStaticBits(app.SpiStaticBits);
    } else if (Index == kNone) {
        app.CurrentAdapter.Present = false;
        app.StopRequested = true;
    }
}

void frmUSBselect_cmdOK_Click() {
    App().InterfaceCode = App().CurrentAdapter.Present ? 2 : 0;
    // The parallel port is claimed only while it is the interface.
    ClosePort();
    Form().form.visible = false;
    Ui().Hide(FormId::frmUSBselect);
}

void frmUSBselect_Form_QueryUnload(int16_t& Cancel, int16_t UnloadMode) {
    if (UnloadMode == 0) {
        Cancel = 1;
        frmUSBselect_cmdOK_Click();
    }
}

void frmUSBselect_cmdDebugUsb_Click() {
    App().frmUSBdebug.form.visible = true;
    Ui().ShowModal(FormId::frmUSBdebug);
    frmUSBselect_Form_Activate();
}

void mnuUSB_Click() {
    auto& app = App();
    auto& m = app.mdiAnalyzer;
    Form().form.visible = true;
    Ui().ShowModal(FormId::frmUSBselect);
    if (app.CurrentAdapter.Present) {
        m.mnuUSB.checked = true;
        m.mnuPort.checked = false;
        m.txtInterface.text = "USB";
        m.txtPort.text = app.CurrentAdapter.AdapterName;
    } else {
        m.txtInterface.text = "NONE";
        m.txtPort.text = "NONE";
        app.InterfaceCode = 0;
        ClosePort();
        m.mnuPort.checked = false;
        m.mnuUSB.checked = false;
    }
}

void mnuEzUsb0_Click() { ChooseAdapter(0); }
void mnuEzUsb1_Click() { ChooseAdapter(1); }
void mnuEzUsb2_Click() { ChooseAdapter(2); }
void mnuEzUsb3_Click() { ChooseAdapter(3); }

void lblInterface_MouseDown(int16_t Button, int16_t, float, float) {
    if (Button == 2) {
        Ui().Popup(PopupMenu::Interface);
    }
}
