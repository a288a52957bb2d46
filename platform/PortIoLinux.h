// Linux backends of the port I/O layer.
#pragma once

#include <memory>
#include <string>

#include "platform/PortIo.h"

// The parport driver: /dev/parportN whose base address (from
// <procRoot>/sys/dev/parport/parportN/base-addr) is the chosen one, claimed exclusively.
std::unique_ptr<PortBackend> MakePpdevBackend(const std::string& procRoot = "/proc",
                                              const std::string& devRoot = "/dev");
// Raw port I/O (x86 only): permission for the three registers of the chosen port only.
std::unique_ptr<PortBackend> MakeDirectIoBackend();
