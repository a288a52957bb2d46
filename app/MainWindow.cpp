#include "app/MainWindow.h"

#include "commands/DeviceSelect.h"
#include "commands/InterfaceChoice.h"
#include "commands/SimulatorCommands.h"
#include "commands/UsbSelect.h"
#include "commands/ViewCommands.h"
#include "forms/Forms.h"
#include "forms/MainWindowForm.h"
#include "interfaces/Interface.h"
#include "interfaces/SetupGiveIO.h"
#include "interfaces/UsbSpiDrivers.h"
#include "platform/Frontend.h"
#include "platform/Hardware.h"
#include "platform/TextFormat.h"
#include "plots/PlotSetup.h"
#include "sensors/Acquisition.h"
#include "sensors/SensorModels.h"
#include "sensors/m305.h"

std::string OsNameFor(const OsVersionInfo& info) {
    if (info.platformId == kPlatformLinux) {
        return "Linux";
    }
    if (info.platformId == kPlatformWin9x) {
        return info.build > 2000 ? "Win98" : "Win95";
    }
    return info.version <= 5.0 ? "WinNT" : "WinXP";
}

bool OsOffersUsb(const std::string& osName) { return osName != "Win95"; }

namespace {

void RestoreInterface() {
    auto& m = mdiAnalyzer();
    auto& io = Interface();
    if (io.InterfaceCode == kParallelInterface) {
        if (OsNeedsPortAccess(io.OsName)) {
            OpenPortAccess(false);
            m.mnuPort.checked = true;
        }
        m.txtInterface.text = "Parallel";
        m.txtPort.text = HexText16(io.PortAddress);
    } else if (io.InterfaceCode == kUsbInterface) {
        if (!OsOffersUsb(io.OsName)) {
            Ui().MsgBox("USB not available for Windows95");
            io.InterfaceCode = kNoInterface;
            m.mnuUSB.checked = false;
            m.mnuUSB.visible = false;
            return;
        }
        FindUsbAdapters();
        if (!Usb().CurrentAdapter.Present) {
            ChooseAdapterInDialog();
        }
        ShowUsbChoice();
    } else {
        ShowNoInterface();
        Ui().MsgBox("Please select an interface before taking data");
    }
}

} // namespace

void MDIForm_Load() {
    auto& m = mdiAnalyzer();
    const auto& acq = Acquisition();
    const auto& device = Catalogue().DeviceName;
    PlaceForm(FormId::mdiAnalyzer, {50, 50, Ui().ScreenWidth() - 100, Ui().ScreenHeight() - 500});

    Interface().OsName = OsNameFor(SystemInfo().Query());
    ShowSimulatorMenu();
    Hardware().SweepLengthChanged(acq.SweepLength);
    RestoreInterface();
    m.txtDevice.text = device;
    if (const SensorModel* model = ChosenModel()) {
        SelectModel(*model);
    }

    m.DatalogLengthCBX.text = std::to_string(acq.SweepLength);
    m.txtDlogFile.text = device;
    m.txtFileIndex.text = "1";

    mnuScaleFull_Click();
    ApplyPlotLength();
    m.chkContinuous.value = acq.ContinuousMode ? 1 : 0;

    ShowForm(FormId::frmData);
    if (Spectrum().FftOn) {
        m.mnuFFTon.checked = true;
        ShowForm(FormId::frmFFT);
    } else {
        m.mnuFFToff.checked = true;
    }

    const SensorModel* model = ChosenModel();
    if (model != nullptr && model->portPath == PortPath::Multiplexed &&
        Interface().InterfaceCode == kParallelInterface) {
        std::string channel = "rate";
        SetMuxChannel(channel, 0);
    }
}
