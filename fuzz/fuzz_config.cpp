// The settings file on any bytes, then written back and read again: the four settings must
// survive the round trip.
#include "app/Analyzer.h"
#include "app/ConfigFile.h"
#include "fuzz/MemFile.h"

#include <cstdlib>
#include <filesystem>
#include <tuple>

namespace {

using Settings = std::tuple<std::string, int16_t, int32_t, int16_t>;

Settings Current() {
    const auto& app = App();
    return {app.DeviceName, app.InterfaceCode, app.SweepLength, app.PortAddress};
}

// The four alone: a whole new state costs more than the rest of a run.
void Restore(const Settings& settings) {
    auto& app = App();
    std::tie(app.DeviceName, app.InterfaceCode, app.SweepLength, app.PortAddress) = settings;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static MemFile file;
    static const std::filesystem::path copy = [] {
        char dir[] = "/dev/shm/fuzz-config-XXXXXX";
        if (::mkdtemp(dir) == nullptr) {
            std::abort();
        }
        return std::filesystem::path(dir) / kConfigFileName;
    }();
    static const Settings defaults = Current();
    Restore(defaults);
    file.Write(data, size);
    ReadConfigFile(file.Path());
    const Settings before = Current();
    if (!WriteConfigFile(copy)) {
        std::abort();
    }
    Restore(defaults);
    ReadConfigFile(copy);
    if (Current() != before) {
        std::abort();
    }
    return 0;
}
