// Access to the parallel port's registers.
#pragma once

// Prepares port access for the chosen port.
void InstallGiveio();
// Grants this process access to the port; false when access was refused.
bool giveio();
