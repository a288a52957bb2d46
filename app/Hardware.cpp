#include "app/Hardware.h"

#include "platform/EzUsbDriver.h"
#include "platform/EzUsbLibusb.h"
#include "platform/PortIo.h"
#include "platform/PortIoLinux.h"
#include "simulator/SimBoards.h"

#include <memory>

namespace {

std::unique_ptr<PortBackend> realPort;
std::unique_ptr<EzUsbDriver> realUsb;

} // namespace

void InstallHardware(const CommandLine& commandLine) {
    if (commandLine.simulate) {
        SimulatedBoards().Attach(commandLine.simulateModel);
        InstallPortBackend(&SimulatedBoards().port);
        for (int number : commandLine.simulateAdapters) {
            SimulatedBoards().usb.Plug(number);
        }
        InstallEzUsbDriver(&SimulatedBoards().usb);
        return;
    }
#ifdef __linux__
    realPort = commandLine.directIo ? MakeDirectIoBackend() : MakePpdevBackend();
    realUsb = MakeLibusbEzUsbDriver();
#endif
    InstallPortBackend(realPort.get());
    InstallEzUsbDriver(realUsb.get());
}

void RemoveHardware() {
    InstallPortBackend(nullptr);
    realPort.reset();
    InstallEzUsbDriver(nullptr);
    realUsb.reset();
}
