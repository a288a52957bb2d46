// Reports whatever operating system a test sets.
#pragma once

#include "platform/SysInfo.h"

class FakeSysInfo : public SysInfo {
public:
    explicit FakeSysInfo(OsVersionInfo info = {kPlatformLinux, 6.1, 0}) : info(info) {
        InstallSysInfo(this);
    }
    ~FakeSysInfo() override { InstallSysInfo(nullptr); }
    OsVersionInfo Query() override { return info; }
    OsVersionInfo info;
};
