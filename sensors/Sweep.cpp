#include "sensors/Sweep.h"

bool SetupOK() { return false; }
bool AcquireSweep() { return false; }
bool AcquisitionRunning() { return false; }
void cmdSingleSweep_Click() {}
void cmdStop_Click() {}
void chkContinuous_Click() {}
void mnuReadTemp_Click() {}
