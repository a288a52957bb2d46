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
        auto& usb = SimulatedBoards().usb;
        for (int number : commandLine.simulateAdapters) {
            usb.Plug(number);
        }
        if (const auto faults = ParseSimUsbFault(commandLine.simulateUsbFault)) {
            usb.PlanFaults(*faults);
        }
        if (commandLine.simulateUsbUnplugAfter >= 0) {
            std::optional<SimEzUsbDriver::Milliseconds> back;
            if (commandLine.simulateUsbReplugMs >= 0) {
                back = SimEzUsbDriver::Milliseconds(commandLine.simulateUsbReplugMs);
            }
            usb.PlanUnplug(commandLine.simulateUsbUnplugAfter, back);
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
