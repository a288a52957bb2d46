#include "app/Hardware.h"

#include "platform/PortIo.h"
#include "platform/PortIoLinux.h"
#include "simulator/SimBoards.h"

#include <memory>

namespace {

std::unique_ptr<PortBackend> realPort;

} // namespace

void InstallHardware(const CommandLine& commandLine) {
    if (commandLine.simulate) {
        SimulatedBoards().Attach(commandLine.simulateModel);
        InstallPortBackend(&SimulatedBoards().port);
        return;
    }
#ifdef __linux__
    realPort = commandLine.directIo ? MakeDirectIoBackend() : MakePpdevBackend();
#endif
    InstallPortBackend(realPort.get());
}

void RemoveHardware() {
    InstallPortBackend(nullptr);
    realPort.reset();
}
