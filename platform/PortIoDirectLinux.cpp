// Raw port I/O with in/out instructions, for machines where ppdev is not an option. Only ever
// asks for the three registers of the chosen port.
#include "platform/ErrnoText.h"
#include "platform/PortIoLinux.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <thread>

#if defined(__i386__) || defined(__x86_64__)
#include <sys/io.h>
#define QUELTO_PORT_INSTRUCTIONS 1
#endif

namespace {

constexpr unsigned long kRegisters = 3;
const char* const kUsePpdev = "Use the ppdev driver instead: leave out --direct-io.";

std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

// The active lockdown mode ("integrity" or "confidentiality"), or empty when there is none.
// The file lists the modes with the active one in brackets: "none [integrity] confidentiality".
std::string LockdownMode(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    const auto open = line.find('[');
    const auto close = line.find(']', open);
    if (open == std::string::npos || close == std::string::npos) {
        return {};
    }
    const std::string mode = line.substr(open + 1, close - open - 1);
    return mode == "none" ? std::string() : mode;
}

class DirectIoBackend final : public PortBackend {
public:
    DirectIoBackend(std::string lockdownPath, IoPermissionCall ioPermission)
        : lockdownPath_(std::move(lockdownPath)), ioPermission_(std::move(ioPermission)) {}
    ~DirectIoBackend() override { Close(); }

    bool Open(uint16_t base, std::string& reason) override {
        Close();
#ifndef QUELTO_PORT_INSTRUCTIONS
        (void)base;
        reason = std::string("Direct port I/O exists only on x86 PCs.\n") + kUsePpdev;
        return false;
#else
        if (base + kRegisters > 0x10000) {
            reason = "There is no parallel port at this address.";
            return false;
        }
        if (ioPermission_(base, kRegisters, 1) != 0) {
            reason = Refusal(base, errno);
            return false;
        }
        base_ = base;
        owner_ = std::this_thread::get_id();
        open_ = true;
        return true;
#endif
    }

    void Close() override {
        if (!open_) {
            return;
        }
        ioPermission_(base_, kRegisters, 0);
        open_ = false;
    }

    void Write(PortRegister reg, uint8_t value) override {
#ifdef QUELTO_PORT_INSTRUCTIONS
        if (MayAccess()) {
            outb(value, static_cast<unsigned short>(base_ + static_cast<unsigned>(reg)));
        }
#else
        (void)reg;
        (void)value;
#endif
    }

    uint8_t Read(PortRegister reg) override {
#ifdef QUELTO_PORT_INSTRUCTIONS
        if (MayAccess()) {
            return inb(static_cast<unsigned short>(base_ + static_cast<unsigned>(reg)));
        }
#else
        (void)reg;
#endif
        return kNoBoardByte;
    }

private:
    // The permission belongs to the thread that asked for it (and threads it starts later);
    // an in or out instruction anywhere else would kill the program.
    bool MayAccess() const { return open_ && std::this_thread::get_id() == owner_; }

    std::string Refusal(uint16_t base, int error) const {
        const std::string where = "Raw port I/O at " + Hex(base);
        switch (error) {
        case EPERM: {
            const std::string mode = LockdownMode(lockdownPath_);
            if (!mode.empty()) {
                return where + " is refused under kernel lockdown (" + mode + ").\n" + kUsePpdev;
            }
            return where + " needs root or the CAP_SYS_RAWIO capability.\n" + kUsePpdev;
        }
        case ENOSYS:
            return where + " is not available: this kernel has no ioperm.\n" + kUsePpdev;
        default:
            return where + " was refused: " + ErrnoText(error) + ".\n" + kUsePpdev;
        }
    }

    std::string lockdownPath_;
    IoPermissionCall ioPermission_;
    uint16_t base_ = 0;
    bool open_ = false;
    std::thread::id owner_;
};

} // namespace

std::unique_ptr<PortBackend> MakeDirectIoBackend(const std::string& lockdownPath,
                                                 IoPermissionCall ioPermission) {
#ifdef QUELTO_PORT_INSTRUCTIONS
    if (!ioPermission) {
        ioPermission = [](unsigned long from, unsigned long num, int on) {
            return ::ioperm(from, num, on);
        };
    }
#endif
    return std::make_unique<DirectIoBackend>(lockdownPath, std::move(ioPermission));
}
