#include "platform/PortIo.h"

#include <optional>

namespace {

PortBackend* installed = nullptr;
bool open = false;
uint16_t openBase = 0;

// The register that an I/O address names, if it is one of the open port's three.
std::optional<PortRegister> RegisterAt(int16_t port) {
    if (!open || installed == nullptr) {
        return std::nullopt;
    }
    const int offset = static_cast<uint16_t>(port) - static_cast<int>(openBase);
    if (offset < 0 || offset > 2) {
        return std::nullopt;
    }
    return static_cast<PortRegister>(offset);
}

} // namespace

void InstallPortBackend(PortBackend* backend) {
    ClosePort();
    installed = backend;
}

PortBackend* InstalledPortBackend() { return installed; }

std::string PortAddressQuestion(uint16_t base) {
    return installed != nullptr ? installed->AddressQuestion(base) : std::string();
}

void AllowPortAddress(uint16_t base) {
    if (installed != nullptr) {
        installed->AllowAddress(base);
    }
}

bool OpenPort(uint16_t base, std::string& reason) {
    ClosePort();
    if (installed == nullptr) {
        reason = "No port I/O is available in this build.";
        return false;
    }
    // A base above 0xFFFD would put the status or control register past the I/O space.
    if (base > 0xFFFD) {
        reason = "There is no parallel port at this address.";
        return false;
    }
    open = installed->Open(base, reason);
    openBase = open ? base : 0;
    return open;
}

void ClosePort() {
    if (open && installed != nullptr) {
        installed->Close();
    }
    open = false;
    openBase = 0;
}

bool PortIsOpen() { return open; }

uint16_t OpenPortBase() { return openBase; }

void vbOut(int16_t port, int16_t value) {
    if (const auto reg = RegisterAt(port)) {
        installed->Write(*reg, static_cast<uint8_t>(value & 0xFF));
    }
}

int16_t vbInp(int16_t port) {
    if (const auto reg = RegisterAt(port)) {
        return installed->Read(*reg);
    }
    return kNoBoardByte;
}
