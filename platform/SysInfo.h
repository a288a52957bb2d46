// What the operating system reports about itself.
#pragma once

#include <cstdint>
#include <string>

struct OsVersionInfo {
    // 1 for the Windows 95/98 family, 2 for the NT family, kPlatformLinux for Linux.
    int32_t platformId = 0;
    // Major and minor version as one number, such as 5.1.
    double version = 0.0;
    int32_t build = 0;
};

inline constexpr int32_t kPlatformWin9x = 1;
inline constexpr int32_t kPlatformWinNT = 2;
inline constexpr int32_t kPlatformLinux = 100;

class SysInfo {
public:
    virtual ~SysInfo() = default;
    virtual OsVersionInfo Query() = 0;
};

SysInfo& SystemInfo();
// Installs the source used by SystemInfo(); nullptr restores the real one.
void InstallSysInfo(SysInfo* info);
