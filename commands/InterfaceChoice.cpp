#include "commands/InterfaceChoice.h"

#include "forms/MainWindowForm.h"
#include "interfaces/Interface.h"
#include "interfaces/UsbSpiDrivers.h"
#include "platform/PortIo.h"

void ShowNoInterface() {
    auto& m = mdiAnalyzer();
    m.txtInterface.text = "NONE";
    m.txtPort.text = "NONE";
    Interface().InterfaceCode = kNoInterface;
    // The parallel port is claimed only while it is the interface.
    ClosePort();
}

void ClearReachStatus() {
    ClearStatusAbout(kAdapterDropped);
    ClearStatusAbout(kSilentBoardStatus);
}
