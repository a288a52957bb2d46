#include "platform/ProcessRunner.h"
#include "platform/Registry.h"

namespace {

Registry* registry = nullptr;
ProcessRunner* processRunner = nullptr;

} // namespace

Registry* InstalledRegistry() { return registry; }

void InstallRegistry(Registry* r) { registry = r; }

ProcessRunner* InstalledProcessRunner() { return processRunner; }

void InstallProcessRunner(ProcessRunner* runner) { processRunner = runner; }
