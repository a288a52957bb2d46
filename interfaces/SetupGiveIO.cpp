#include "interfaces/SetupGiveIO.h"

#include "interfaces/Interface.h"
#include "platform/Frontend.h"
#include "platform/PortIo.h"
#include "platform/ProcessRunner.h"
#include "platform/Registry.h"

#include <cstring>
#include <fstream>
#include <vector>

namespace {

// The question about an unknown address comes from the port dialog, under its title.
constexpr const char* kPortDialogTitle = "Parallel Port Setup";

constexpr const char* kServiceKey = "SYSTEM\\CurrentControlSet\\Services\\giveio";
constexpr const char* kInstallFailed = "The required I/O drivers could not be installed.";
constexpr int32_t kRegistryFailure = -1;

} // namespace

int32_t QueryValueEx(uint32_t keyHandle, const std::string& valueName, RegistryValue& value) {
    Registry* registry = InstalledRegistry();
    if (registry == nullptr) {
        return kRegistryFailure;
    }
    uint32_t type = 0;
    uint32_t size = 0;
    int32_t status = registry->QueryValueEx(keyHandle, valueName, type, nullptr, size);
    if (status != kRegistrySuccess) {
        return status;
    }
    if (type == REG_SZ) {
        std::vector<uint8_t> buffer(size);
        status = registry->QueryValueEx(keyHandle, valueName, type, buffer.data(), size);
        if (status != kRegistrySuccess) {
            value = std::string();
            return status;
        }
        // A text stored without its terminating zero keeps its last character.
        std::string text(buffer.begin(), buffer.begin() + std::min<size_t>(size, buffer.size()));
        const auto zero = text.find('\0');
        value = zero == std::string::npos ? text : text.substr(0, zero);
        return status;
    }
    if (type == REG_DWORD) {
        uint8_t bytes[4] = {};
        size = sizeof bytes;
        status = registry->QueryValueEx(keyHandle, valueName, type, bytes, size);
        if (status == kRegistrySuccess) {
            value = static_cast<uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 |
                                          static_cast<uint32_t>(bytes[3]) << 24);
        }
        return status;
    }
    return kRegistryFailure;
}

int32_t SetValueEx(uint32_t keyHandle, const std::string& valueName, uint32_t valueType,
                   const RegistryValue& value) {
    Registry* registry = InstalledRegistry();
    if (registry == nullptr) {
        return kRegistryFailure;
    }
    if (valueType == REG_SZ) {
        const std::string* text = std::get_if<std::string>(&value);
        const std::string stored = text != nullptr ? *text : std::string();
        std::vector<uint8_t> bytes(stored.begin(), stored.end());
        bytes.push_back(0);
        return registry->SetValueEx(keyHandle, valueName, REG_SZ, bytes.data(),
                                    static_cast<uint32_t>(bytes.size()));
    }
    if (valueType == REG_DWORD) {
        const uint32_t* number = std::get_if<uint32_t>(&value);
        const uint32_t n = number != nullptr ? *number : 0;
        const uint8_t bytes[4] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                                  static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 24)};
        return registry->SetValueEx(keyHandle, valueName, REG_DWORD, bytes, 4);
    }
    return kRegistrySuccess;
}

std::string ReadMachineValue(const std::string& keyPath, const std::string& valueName) {
    Registry* registry = InstalledRegistry();
    uint32_t key = 0;
    if (registry == nullptr || registry->OpenKeyEx(kHkeyLocalMachine, keyPath, 0, KEY_QUERY_VALUE,
                                                   key) != kRegistrySuccess) {
        return "";
    }
    RegistryValue value;
    QueryValueEx(key, valueName, value);
    registry->CloseKey(key);
    if (const auto* text = std::get_if<std::string>(&value)) {
        return *text;
    }
    if (const auto* number = std::get_if<uint32_t>(&value)) {
        return std::to_string(*number);
    }
    return "";
}

void WriteMachineValue(const std::string& keyPath, const std::string& valueName,
                       const RegistryValue& value, uint32_t valueType) {
    Registry* registry = InstalledRegistry();
    uint32_t key = 0;
    if (registry == nullptr || registry->OpenKeyEx(kHkeyLocalMachine, keyPath, 0, KEY_SET_VALUE,
                                                   key) != kRegistrySuccess) {
        return;
    }
    SetValueEx(key, valueName, valueType, value);
    registry->CloseKey(key);
}

int32_t RunAndWait(const std::string& commandLine) {
    ProcessRunner* runner = InstalledProcessRunner();
    if (runner == nullptr) {
        return 0;
    }
    ProcessHandles handles;
    runner->CreateProcess(commandLine, true, kNormalPriorityClass, kStartupInfoSize, handles);
    runner->WaitForSingleObject(handles.process, kWaitForever);
    uint32_t exitCode = 0;
    runner->GetExitCodeProcess(handles.process, exitCode);
    runner->CloseHandle(handles.thread);
    runner->CloseHandle(handles.process);
    return static_cast<int32_t>(exitCode);
}

std::string BatchFilePath(const std::string& programDirectory) {
    return programDirectory + "\\temp.bat";
}

std::string BatchFileText(const std::string& programDirectory) {
    const std::string tool = "\"" + programDirectory + "\\instdrv2\"";
    return tool + " giveio remove\r\n" + tool + " giveio \"" + programDirectory +
           "\\Giveio.sys\"\r\n";
}

void InstallGiveio() {
    if (ReadMachineValue(kServiceKey, "Start") == "2") {
        return;
    }
    ProcessRunner* runner = InstalledProcessRunner();
    const std::string dir = runner != nullptr ? runner->ProgramDirectory() : std::string();
    const std::string batch = BatchFilePath(dir);
    {
        std::ofstream file(batch, std::ios::binary | std::ios::trunc);
        file << BatchFileText(dir);
    }
    RunAndWait("\"" + batch + "\"");
    if (ReadMachineValue(kServiceKey, "Start") == "3") {
        WriteMachineValue(kServiceKey, "Start", uint32_t{2}, REG_DWORD);
        return;
    }
    Ui().MsgBox(kInstallFailed, "Error");
}

bool OsNeedsPortAccess(const std::string& osName) {
    return osName == "WinNT" || osName == "WinXP" || osName == "Linux";
}

bool OpenPortAccess(bool once) {
#ifdef _WIN32
    if (!OsNeedsPortAccess(Interface().OsName) || (once && Interface().DriverModuleFlag)) {
        return true;
    }
    InstallGiveio();
    giveio();
    Interface().DriverModuleFlag = true;
    return true;
#else
    // The port stays claimed while it is the interface; a new address needs a new claim.
    (void)once;
    const auto base = static_cast<uint16_t>(Interface().PortAddress);
    if (base == 0) {
        ClosePort(); // no port chosen
        Interface().DriverModuleFlag = false;
        return false;
    }
    if (PortIsOpen() && OpenPortBase() == base) {
        return true;
    }
    // An address the kernel does not know as a parallel port is opened only when the user,
    // told what it is, says so.
    if (const std::string question = PortAddressQuestion(base); !question.empty()) {
        if (!Ui().Confirm(question, kPortDialogTitle)) {
            ClosePort();
            Interface().DriverModuleFlag = false;
            return false;
        }
        AllowPortAddress(base);
    }
    std::string reason;
    Interface().DriverModuleFlag = OpenPort(base, reason);
    if (!Interface().DriverModuleFlag) {
        Ui().MsgBox(std::string(kInstallFailed) + "\n" + reason, "Error");
    }
    return Interface().DriverModuleFlag;
#endif
}
