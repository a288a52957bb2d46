#include "platform/ProgramPath.h"

#include <filesystem>
#include <system_error>

namespace {

ProgramFolders RealFolders() {
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return {error ? std::string() : executable.parent_path().string(), QUELTO_SOURCE_DIR};
}

const ProgramFolders* installed = nullptr;

} // namespace

const ProgramFolders& ProgramPaths() {
    static const ProgramFolders real = RealFolders();
    return installed != nullptr ? *installed : real;
}

void InstallProgramFolders(const ProgramFolders* folders) { installed = folders; }
