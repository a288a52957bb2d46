// Chooses what stands behind the parallel port and the USB adapter driver: the simulated
// boards, or the real hardware backends.
#pragma once

#include "app/Startup.h"

void InstallHardware(const CommandLine& commandLine);
// Releases the port and the adapters (at exit).
void RemoveHardware();
