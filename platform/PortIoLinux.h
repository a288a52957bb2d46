// Linux backends of the port I/O layer.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/PortIo.h"
#include "platform/Privileges.h"

// The parport driver: /dev/parportN whose base address (from
// <procRoot>/sys/dev/parport/parportN/base-addr) is the chosen one, claimed exclusively.
std::unique_ptr<PortBackend> MakePpdevBackend(const std::string& procRoot = "/proc",
                                              const std::string& devRoot = "/dev");

// ioperm(2): grants (on = 1) or drops (on = 0) this thread's access to num ports from from.
using IoPermissionCall = std::function<int(unsigned long from, unsigned long num, int on)>;

// What raw port I/O needs of the system; replaceable for tests.
struct DirectIoSystem {
    std::string procRoot = "/proc"; // ioports and sys/dev/parport: the ports the kernel knows
    std::string lockdownPath = "/sys/kernel/security/lockdown";
    IoPermissionCall ioPermission;                 // nullptr: ioperm
    std::function<PrivilegeDrop()> dropPrivileges; // nullptr: DropToInvokingUser
};

// Raw port I/O (x86 only): permission for the three registers of the chosen port only, at
// an address the kernel knows as a parallel port or that the user allowed. Once permission
// is granted a program started through sudo goes on as the user who ran it.
std::unique_ptr<PortBackend> MakeDirectIoBackend(DirectIoSystem system = {});
