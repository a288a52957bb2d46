// Raw port I/O with in/out instructions, for machines where ppdev is not an option. Only ever
// asks for the three registers of the chosen port.
#include "platform/ErrnoText.h"
#include "platform/KernelPortsLinux.h"
#include "platform/PortIoLinux.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <set>
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
    explicit DirectIoBackend(DirectIoSystem system) : system_(std::move(system)) {}
    ~DirectIoBackend() override { Close(); }

    // Raw I/O to the wrong address can reset the machine (0xCF9) or take the keyboard
    // controller (0x60), so only a port the kernel knows is opened without asking.
    std::string AddressQuestion(uint16_t base) override {
        if (allowed_.contains(base) || KernelKnowsParallelPort(system_.procRoot, base)) {
            return {};
        }
        const auto owners = IoPortOwners(system_.procRoot, base, kRegisters);
        std::string listed = "Nothing is listed at this address in /proc/ioports.";
        if (!owners.empty()) {
            listed = "The kernel lists it as: ";
            for (size_t i = 0; i < owners.size(); ++i) {
                listed += (i > 0 ? ", " : "") + owners[i];
            }
            listed += ".";
        }
        return "The kernel knows no parallel port at " + Hex(base) + ". " + listed +
               "\n\nRaw port I/O to an address that is not a parallel port can hang or reset "
               "the computer or damage data on its disks.\n\nOpen " +
               Hex(base) + " for raw port I/O anyway?";
    }

    void AllowAddress(uint16_t base) override { allowed_.insert(base); }

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
        if (!AddressQuestion(base).empty()) {
            reason = "The kernel knows no parallel port at " + Hex(base) +
                     ", and raw port I/O to it was not allowed.";
            return false;
        }
        if (system_.ioPermission(base, kRegisters, 1) != 0) {
            reason = Refusal(base, errno);
            return false;
        }
        // Root was needed for the permission only; the permission outlives it.
        const PrivilegeDrop drop = system_.dropPrivileges();
        if (drop == PrivilegeDrop::Failed) {
            system_.ioPermission(base, kRegisters, 0);
            reason = PrivilegeDropText(drop);
            return false;
        }
        if (drop == PrivilegeDrop::NoInvokingUser && !rootWarned_) {
            rootWarned_ = true;
            std::fprintf(stderr, "queltoeval: %s\n", PrivilegeDropText(drop).c_str());
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
        system_.ioPermission(base_, kRegisters, 0);
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
            const std::string mode = LockdownMode(system_.lockdownPath);
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

    DirectIoSystem system_;
    std::set<uint16_t> allowed_;
    bool rootWarned_ = false;
    uint16_t base_ = 0;
    bool open_ = false;
    std::thread::id owner_;
};

} // namespace

std::unique_ptr<PortBackend> MakeDirectIoBackend(DirectIoSystem system) {
#ifdef QUELTO_PORT_INSTRUCTIONS
    if (!system.ioPermission) {
        system.ioPermission = [](unsigned long from, unsigned long num, int on) {
            return ::ioperm(from, num, on);
        };
    }
#endif
    if (!system.dropPrivileges) {
        system.dropPrivileges = [] { return DropToInvokingUser(); };
    }
    return std::make_unique<DirectIoBackend>(std::move(system));
}
