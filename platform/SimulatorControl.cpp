#include "platform/SimulatorControl.h"

namespace {
SimulatorControl* installed = nullptr;
}

void InstallSimulatorControl(SimulatorControl* control) { installed = control; }

SimulatorControl* Simulator() { return installed; }
