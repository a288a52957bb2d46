// The one application state of the program: every part's state and every window's form
// model in one instance. A module that needs only some parts includes their headers and uses
// their accessors (Acquisition(), Catalogue(), frmData(), ...), which reach the same instance.
#pragma once

#include <atomic>
#include <string>

#include "commands/DataLog.h"
#include "commands/NoiseAnalysis.h"
#include "commands/SelfTest.h"
#include "commands/TimePlot.h"
#include "forms/LogSetupForm.h"
#include "forms/MainWindowForm.h"
#include "forms/PortForm.h"
#include "forms/SpectrumForm.h"
#include "forms/TimePlotForm.h"
#include "forms/UsbDebugForm.h"
#include "forms/UsbSelectForm.h"
#include "interfaces/Interface.h"
#include "interfaces/UsbSpiDrivers.h"
#include "platform/Delay.h"
#include "plots/PlotSetup.h"
#include "sensors/Acquisition.h"
#include "sensors/SensorModels.h"

// What belongs to the program as a whole.
struct CoreState {
    bool Simulate = false; // --simulate
    // Start-up has read the settings; until then no exit path may write them. Read by the
    // signal handlers, hence atomic.
    std::atomic<bool> SettingsRead{false};
    bool SettingsSaved = false;           // written on the way out already
    std::string SettingsKept;             // the file's text as last read or written
    bool SettingsFailureReported = false; // a failed write is said once a run
};

struct AppState : CoreState,
                  DelayState,
                  InterfaceState,
                  CatalogueState,
                  AcquisitionState,
                  PlotState,
                  StatisticsState,
                  SpectrumState,
                  UsbState,
                  DataLogState,
                  SelfTestState {
    MdiAnalyzerForm mdiAnalyzer;
    FrmDataForm frmData;
    FrmFftForm frmFFT;
    FrmPortForm frmPort;
    FrmUSBselectForm frmUSBselect;
    FrmUSBdebugForm frmUSBdebug;
    FrmLogSetupForm frmLogSetup;
    FrmNoiseForm frmNoise;
    FrmAllanForm frmAllan;
    NoiseRecordState noiseRecord;
};

AppState& App();
// Gives a fresh state, as at process start (tests).
void ResetAppState();
// Every window's form model and lifecycle handlers, and the modal dialogs' hold; done with
// every new state.
void RegisterFormLifecycles();
