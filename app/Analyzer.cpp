#include "app/Analyzer.h"

#include <memory>

namespace {
std::unique_ptr<AppState> state = std::make_unique<AppState>();
}

AppState& App() { return *state; }

void ResetAppState() { state = std::make_unique<AppState>(); }

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
