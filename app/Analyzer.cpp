#include "app/Analyzer.h"

#include "app/MainWindow.h"
#include "commands/PortSetup.h"
#include "commands/SpectrumWindow.h"
#include "commands/TimePlot.h"
#include "commands/UsbDebug.h"
#include "commands/UsbSelect.h"
#include "forms/Forms.h"

#include <memory>

namespace {

std::unique_ptr<AppState> NewState() {
    RegisterFormLifecycles();
    return std::make_unique<AppState>();
}

std::unique_ptr<AppState> state = NewState();

template <auto Form> FormGeometry& GeometryOf() { return Form().form; }

} // namespace

AppState& App() { return *state; }

void ResetAppState() { state = NewState(); }

void RegisterFormLifecycles() {
    RegisterForm(FormId::mdiAnalyzer, {GeometryOf<mdiAnalyzer>, MDIForm_Load});
    RegisterForm(FormId::frmData,
                 {GeometryOf<frmData>, frmData_Form_Load, nullptr, frmData_Form_Resize});
    RegisterForm(FormId::frmPort, {GeometryOf<frmPort>, frmPort_Form_Load, frmPort_Form_Activate});
    RegisterForm(FormId::frmUSBselect,
                 {GeometryOf<frmUSBselect>, frmUSBselect_Form_Load, frmUSBselect_Form_Activate});
    RegisterForm(FormId::frmUSBdebug,
                 {GeometryOf<frmUSBdebug>, frmUSBdebug_Form_Load, frmUSBdebug_Form_Activate});
    RegisterForm(FormId::frmFFT,
                 {GeometryOf<frmFFT>, frmFFT_Form_Load, nullptr, frmFFT_Form_Resize});
    RegisterForm(FormId::frmLogSetup,
                 {GeometryOf<frmLogSetup>, frmLogSetup_Form_Load, frmLogSetup_Form_Activate});
    RegisterForm(FormId::frmNoise, {GeometryOf<frmNoise>, frmNoise_Form_Load});
    RegisterForm(FormId::frmAllan, {GeometryOf<frmAllan>, frmAllan_Form_Load});
    SetModalHold(WhileHeld);
}

DelayState& DelayCalibration() { return App(); }
InterfaceState& Interface() { return App(); }
CatalogueState& Catalogue() { return App(); }
AcquisitionState& Acquisition() { return App(); }
PlotState& Plot() { return App(); }
StatisticsState& Statistics() { return App(); }
SpectrumState& Spectrum() { return App(); }
UsbState& Usb() { return App(); }
DataLogState& DataLog() { return App(); }
SelfTestState& SelfTest() { return App(); }

MdiAnalyzerForm& mdiAnalyzer() { return App().mdiAnalyzer; }
FrmDataForm& frmData() { return App().frmData; }
FrmFftForm& frmFFT() { return App().frmFFT; }
FrmPortForm& frmPort() { return App().frmPort; }
FrmUSBselectForm& frmUSBselect() { return App().frmUSBselect; }
FrmUSBdebugForm& frmUSBdebug() { return App().frmUSBdebug; }
FrmLogSetupForm& frmLogSetup() { return App().frmLogSetup; }
FrmNoiseForm& frmNoise() { return App().frmNoise; }
FrmAllanForm& frmAllan() { return App().frmAllan; }
NoiseRecordState& NoiseRecord() { return App().noiseRecord; }
