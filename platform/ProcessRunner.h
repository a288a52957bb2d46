// Process creation at the level of the system's own calls, and where the program lies, so
// that the driver-install sequence can be tested with a fake.
#pragma once

#include <cstdint>
#include <string>

struct ProcessHandles {
    intptr_t process = 0;
    intptr_t thread = 0;
};

inline constexpr uint32_t kNormalPriorityClass = 0x20;
inline constexpr uint32_t kStartupInfoSize = 68;
inline constexpr uint32_t kWaitForever = 0xFFFFFFFF;

class ProcessRunner {
public:
    virtual ~ProcessRunner() = default;
    // The whole command line, no separate application name, no security attributes, the
    // caller's environment and directory; a start-up record of startupInfoSize bytes, all
    // zero but its size.
    virtual bool CreateProcess(const std::string& commandLine, bool inheritHandles,
                               uint32_t creationFlags, uint32_t startupInfoSize,
                               ProcessHandles& handles) = 0;
    virtual uint32_t WaitForSingleObject(intptr_t handle, uint32_t milliseconds) = 0;
    virtual bool GetExitCodeProcess(intptr_t process, uint32_t& exitCode) = 0;
    virtual bool CloseHandle(intptr_t handle) = 0;
    // The folder that holds the program's executable, without a trailing separator.
    virtual std::string ProgramDirectory() = 0;
};

// The system's own by default (none on Linux: every call fails); nullptr restores it.
ProcessRunner* InstalledProcessRunner();
void InstallProcessRunner(ProcessRunner* runner);
