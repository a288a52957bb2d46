// The four settings kept between runs: device, interface, sweep length, port address.
#pragma once

#include <filesystem>

inline constexpr const char* kConfigFileName = "QueltoEval.cfg";

// Sets DeviceName, InterfaceCode, SweepLength and PortAddress from the lines it
// recognises; silent when the file cannot be read.
void ReadConfigFile(const std::filesystem::path& path = kConfigFileName);
// Replaces the file with the four lines; silent when it cannot be written.
void WriteConfigFile(const std::filesystem::path& path = kConfigFileName);

// The settings as they are now, when start-up has read them (a session manager's request).
void SaveSettings();
// The same on the way out, once, whichever path ends the process.
void SaveSettingsAtExit();
