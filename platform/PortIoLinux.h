// Linux backends of the port I/O layer.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/PortIo.h"

// The parport driver: /dev/parportN whose base address (from
// <procRoot>/sys/dev/parport/parportN/base-addr) is the chosen one, claimed exclusively.
std::unique_ptr<PortBackend> MakePpdevBackend(const std::string& procRoot = "/proc",
                                              const std::string& devRoot = "/dev");

// ioperm(2): grants (on = 1) or drops (on = 0) this thread's access to num ports from from.
using IoPermissionCall = std::function<int(unsigned long from, unsigned long num, int on)>;

// Raw port I/O (x86 only): permission for the three registers of the chosen port only.
// The lockdown file and the permission call are replaceable for tests; nullptr means ioperm.
std::unique_ptr<PortBackend>
MakeDirectIoBackend(const std::string& lockdownPath = "/sys/kernel/security/lockdown",
                    IoPermissionCall ioPermission = nullptr);
