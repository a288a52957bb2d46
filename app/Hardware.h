// Chooses what stands behind the parallel port and the USB adapter driver: the simulated
// boards, or the real hardware backends. The only place outside the simulator that knows it.
#pragma once

#include <string>

#include "app/CommandLine.h"

// Why the simulator options of the command line cannot be used; empty when they can.
std::string SimulatorOptionsError(const CommandLine& commandLine);

void InstallHardware(const CommandLine& commandLine);
// Releases the port and the adapters (at exit), and puts the simulator back as it started.
void RemoveHardware();
