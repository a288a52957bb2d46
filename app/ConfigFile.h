// The four settings kept between runs: device, interface, sweep length, port address.
#pragma once

#include <filesystem>
#include <string>

inline constexpr const char* kConfigFileName = "QueltoEval.cfg";

// Sets DeviceName, InterfaceCode, SweepLength and PortAddress from the lines it
// recognises; silent when the file cannot be read.
void ReadConfigFile(const std::filesystem::path& path = kConfigFileName);
// Replaces the file whole with the four lines, unless it holds exactly them already; false,
// with the reason, when it cannot.
bool WriteConfigFile(const std::filesystem::path& path = kConfigFileName,
                     std::string* reason = nullptr);

// Start-up's reading of the settings; from then on they may be written.
void ReadSettings();
// Writes the settings when one of them changed since they were read or last written; the
// windows ask at every refresh, so a change is on disk before a crash can lose it. A failed
// write is said once a run.
void SaveChangedSettings();
// The settings as they are now, when start-up has read them (a session manager's request).
void SaveSettings();
// The same on the way out, once, whichever path ends the process.
void SaveSettingsAtExit();
