#include "commands/UsbSelect.h"

#include "commands/DeviceSelect.h"
#include "commands/InterfaceChoice.h"
#include "forms/Forms.h"
#include "forms/MainWindowForm.h"
#include "forms/TimePlotForm.h"
#include "forms/UsbSelectForm.h"
#include "interfaces/Interface.h"
#include "interfaces/UsbSpiDrivers.h"
#include "platform/Frontend.h"
#include "platform/PortIo.h"
#include "platform/TextFormat.h"
#include "sensors/Acquisition.h"

namespace {

constexpr int16_t kNone = 4;

FrmUSBselectForm& Form() { return frmUSBselect(); }

void ChooseAdapter(int n) {
    auto& usb = Usb();
    usb.CurrentAdapter = usb.UsbAdapters[static_cast<size_t>(n)];
    mdiAnalyzer().txtPort.text = usb.CurrentAdapter.AdapterName;
    ClearReachStatus();
    SetupForChosenModel();
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

void ShowAdapterList(AdapterListControls& list) {
    const auto& usb = Usb();
    for (size_t i = 0; i < 4; ++i) {
        const auto& record = usb.UsbAdapters[i];
        list.optUsbPort[i].enabled = record.Present;
        list.txtDescript0[i].text = record.Present ? record.Descriptor1 : "";
        list.txtDriverRev[i].text = record.Present ? Format(record.FirmwareRev, "0.0") : "";
        list.txtSpeed[i].text = record.Present ? SpeedText(record.UsbSpeed) : "";
    }
}

void SearchAdapters(AdapterListControls& list, void (*click)(int16_t)) {
    FindUsbAdapters();
    ShowAdapterList(list);
    const int16_t current = Usb().CurrentAdapterIndex;
    ChooseOption(list.optUsbPort.data(), 5, current >= 0 && current < 4 ? current : kNone, click);
}

void ShowUsbChoice() {
    auto& m = mdiAnalyzer();
    if (!Usb().CurrentAdapter.Present) {
        ShowNoInterface();
        m.mnuPort.checked = false;
        m.mnuUSB.checked = false;
        return;
    }
    m.mnuUSB.checked = true;
    m.mnuPort.checked = false;
    m.txtInterface.text = "USB";
    m.txtPort.text = Usb().CurrentAdapter.AdapterName;
    ClearReachStatus();
}

void frmUSBselect_Form_Load() {
    const auto& plot = frmData().form;
    PlaceForm(FormId::frmUSBselect, {plot.left, plot.top, 0, 0});
}

void frmUSBselect_Form_Activate() { frmUSBselect_cmdFindEzUsb_Click(); }

void frmUSBselect_cmdFindEzUsb_Click() { SearchAdapters(Form(), frmUSBselect_optUsbPort_Click); }

void frmUSBselect_optUsbPort_Click(int16_t Index) {
    auto& usb = Usb();
    if (Index >= 0 && Index < 4) {
        usb.CurrentAdapter = usb.UsbAdapters[static_cast<size_t>(Index)];
        SetSpiWordDelay(usb.SpiWordDelay);
        SetSpiStaticBits(usb.SpiStaticBits);
    } else if (Index == kNone) {
        usb.CurrentAdapter.Present = false;
        Acquisition().StopRequested = true;
    }
}

void frmUSBselect_cmdOK_Click() {
    Form().chosen = true;
    Interface().InterfaceCode = Usb().CurrentAdapter.Present ? kUsbInterface : kNoInterface;
    // The parallel port is claimed only while it is the interface.
    ClosePort();
    HideForm(FormId::frmUSBselect);
}

// The close box and Esc leave the dialog without a choice: whoever looked only stays on the
// interface they had.
void frmUSBselect_Form_QueryUnload(int16_t& Cancel, int16_t UnloadMode) {
    if (UnloadMode == 0) {
        Cancel = 1;
        HideForm(FormId::frmUSBselect);
    }
}

bool ChooseAdapterInDialog() {
    auto& usb = Usb();
    const AdapterRecord before = usb.CurrentAdapter;
    const int16_t beforeIndex = usb.CurrentAdapterIndex;
    Form().chosen = false;
    ShowModalForm(FormId::frmUSBselect);
    if (!Form().chosen) {
        usb.CurrentAdapter = before;
        usb.CurrentAdapterIndex = beforeIndex;
    }
    return Form().chosen;
}

void frmUSBselect_cmdDebugUsb_Click() {
    ShowModalForm(FormId::frmUSBdebug);
    frmUSBselect_Form_Activate();
}

void mnuUSB_Click() {
    if (ChooseAdapterInDialog()) {
        ShowUsbChoice();
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
