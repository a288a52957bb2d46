#include "platform/ProcessRunner.h"
#include "platform/Registry.h"

#ifdef _WIN32
// The system's own, in the Windows backends.
Registry* SystemRegistryBackend();
ProcessRunner* SystemProcessRunnerBackend();
#else
// Nothing of the kind here: every call fails.
static Registry* SystemRegistryBackend() { return nullptr; }
static ProcessRunner* SystemProcessRunnerBackend() { return nullptr; }
#endif

namespace {

Registry* registry = SystemRegistryBackend();
ProcessRunner* processRunner = SystemProcessRunnerBackend();

} // namespace

Registry* InstalledRegistry() { return registry; }

void InstallRegistry(Registry* r) { registry = r != nullptr ? r : SystemRegistryBackend(); }

ProcessRunner* InstalledProcessRunner() { return processRunner; }

void InstallProcessRunner(ProcessRunner* runner) {
    processRunner = runner != nullptr ? runner : SystemProcessRunnerBackend();
}
