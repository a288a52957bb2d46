#include "platform/ProgramPath.h"

#include <filesystem>
#include <system_error>

namespace {

ProgramFolders RealFolders() {
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return {std::string(), QUELTO_SOURCE_DIR, std::string()};
    }
    const auto program = executable.parent_path();
    return {program.string(), QUELTO_SOURCE_DIR,
            (program / QUELTO_DATA_FROM_BIN).lexically_normal().string()};
}

const ProgramFolders* installed = nullptr;

} // namespace

const ProgramFolders& ProgramPaths() {
    static const ProgramFolders real = RealFolders();
    return installed != nullptr ? *installed : real;
}

void InstallProgramFolders(const ProgramFolders* folders) { installed = folders; }
