// Access to the parallel port's registers. On the NT family a kernel driver must be installed
// and opened first; on Linux the chosen port is opened through the port I/O layer.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

// A value read from or written to the registry: nothing, a text or a 32-bit number.
using RegistryValue = std::variant<std::monostate, std::string, uint32_t>;

int32_t QueryValueEx(uint32_t keyHandle, const std::string& valueName, RegistryValue& value);
int32_t SetValueEx(uint32_t keyHandle, const std::string& valueName, uint32_t valueType,
                   const RegistryValue& value);
// A value of a key under HKEY_LOCAL_MACHINE as text: a number gives its decimal digits; a
// missing key or value, or any other type, gives empty text.
std::string ReadMachineValue(const std::string& keyPath, const std::string& valueName);
// Never creates a key; a key that cannot be opened is left alone silently.
void WriteMachineValue(const std::string& keyPath, const std::string& valueName,
                       const RegistryValue& value, uint32_t valueType);
// Runs a command line and waits for its end; its exit code.
int32_t RunAndWait(const std::string& commandLine);

// The batch file that reinstalls the driver, and its two lines (CR LF ended).
std::string BatchFilePath(const std::string& programDirectory);
std::string BatchFileText(const std::string& programDirectory);

// Makes sure the port-access driver is installed as an automatically started service.
void InstallGiveio();
#ifdef _WIN32
// Opens port access for this process through the driver.
void giveio();
#endif

// The port-access sequence is needed before the parallel port is used.
bool OsNeedsPortAccess(const std::string& osName);

// Makes the chosen port (PortAddress) usable before the transfers run, the way this system
// needs it. With once, a sequence that already ran is not repeated (the port dialog's OK);
// the start-up runs it regardless. False when port access was refused (reported already).
bool OpenPortAccess(bool once);
