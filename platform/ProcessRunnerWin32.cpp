#include "platform/ProcessRunner.h"

#include <windows.h>

#include <vector>

namespace {

class Win32ProcessRunner final : public ProcessRunner {
public:
    bool CreateProcess(const std::string& commandLine, bool inheritHandles, uint32_t creationFlags,
                       uint32_t startupInfoSize, ProcessHandles& handles) override {
        // The call may write into the command line, so it gets a copy of its own.
        std::vector<char> line(commandLine.begin(), commandLine.end());
        line.push_back('\0');
        STARTUPINFOA startup{};
        startup.cb = startupInfoSize;
        PROCESS_INFORMATION info{};
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, inheritHandles, creationFlags,
                            nullptr, nullptr, &startup, &info)) {
            return false;
        }
        handles.process = reinterpret_cast<intptr_t>(info.hProcess);
        handles.thread = reinterpret_cast<intptr_t>(info.hThread);
        return true;
    }

    uint32_t WaitForSingleObject(intptr_t handle, uint32_t milliseconds) override {
        return ::WaitForSingleObject(reinterpret_cast<HANDLE>(handle), milliseconds);
    }

    bool GetExitCodeProcess(intptr_t process, uint32_t& exitCode) override {
        DWORD code = 0;
        const bool ok = ::GetExitCodeProcess(reinterpret_cast<HANDLE>(process), &code);
        exitCode = code;
        return ok;
    }

    bool CloseHandle(intptr_t handle) override {
        return handle != 0 && ::CloseHandle(reinterpret_cast<HANDLE>(handle));
    }

    std::string ProgramDirectory() override {
        char path[MAX_PATH] = {};
        const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string dir(path, length);
        const auto slash = dir.find_last_of("\\/");
        return slash == std::string::npos ? std::string() : dir.substr(0, slash);
    }
};

} // namespace

ProcessRunner* SystemProcessRunnerBackend() {
    static Win32ProcessRunner runner;
    return &runner;
}
