#include "platform/SysInfo.h"

#include <cstdio>
#include <sys/utsname.h>

namespace {

// Reports Linux with the kernel release as the version (minor / 100: "6.12.0" gives 6.12).
class LinuxSysInfo final : public SysInfo {
public:
    OsVersionInfo Query() override {
        OsVersionInfo info;
        info.platformId = kPlatformLinux;
        utsname name{};
        if (uname(&name) == 0) {
            int major = 0;
            int minor = 0;
            if (std::sscanf(name.release, "%d.%d", &major, &minor) == 2) {
                info.version = major + minor / 100.0;
            }
        }
        return info;
    }
};

LinuxSysInfo linuxSysInfo;
SysInfo* installed = &linuxSysInfo;

} // namespace

SysInfo& SystemInfo() { return *installed; }

void InstallSysInfo(SysInfo* info) { installed = info != nullptr ? info : &linuxSysInfo; }
