// The parallel port through the kernel's ppdev driver: no special rights beyond access to
// /dev/parportN, and the kernel keeps other drivers off the port while it is claimed.
#include "platform/ErrnoText.h"
#include "platform/KernelPortsLinux.h"
#include "platform/PortIoLinux.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <linux/ppdev.h>
#include <optional>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

// Who may open path: the name of its group when it can be looked up.
std::string OwningGroup(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return {};
    }
    if (const group* g = ::getgrgid(st.st_gid)) {
        return g->gr_name;
    }
    return std::to_string(st.st_gid);
}

std::string BusyText(const std::string& path) {
    return path + ": the port is in use.\nAnother driver, such as lp, holds the port; this "
                  "releases it:\n    sudo modprobe -r lp";
}

class PpdevBackend final : public PortBackend {
public:
    PpdevBackend(std::string procRoot, std::string devRoot)
        : procRoot_(std::move(procRoot)), devRoot_(std::move(devRoot)) {}
    ~PpdevBackend() override { Close(); }

    bool Open(uint16_t base, std::string& reason) override {
        Close();
        const std::string parportDir = procRoot_ + "/sys/dev/parport";
        const auto number = FindParport(procRoot_, base);
        if (!number) {
            // Commands stand on lines of their own, so a message box never breaks them.
            reason = "No parallel port at " + Hex(base) + " in " + parportDir +
                     ".\nThe parport_pc driver must know the port; load the drivers:\n"
                     "    sudo modprobe parport_pc ppdev";
            return false;
        }
        const std::string path = devRoot_ + "/parport" + std::to_string(*number);
        int fd;
        do {
            fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) {
            reason = OpenFailure(path, errno);
            return false;
        }
        // Exclusive, so that no other driver (lp) drives the lines between our accesses.
        if (!Request(fd, PPEXCL, nullptr) || !Request(fd, PPCLAIM, nullptr)) {
            const int error = errno;
            ::close(fd);
            // ppdev answers ENXIO when exclusive access can't be granted because another
            // driver is registered on the port.
            reason = (error == EBUSY || error == ENXIO)
                         ? BusyText(path)
                         : path + ": the port could not be claimed: " + ErrnoText(error) + ".";
            return false;
        }
        fd_ = fd;
        failed_ = false;
        return true;
    }

    void Close() override {
        if (fd_ < 0) {
            return;
        }
        Request(fd_, PPRELEASE, nullptr); // closing releases it too; nothing to do on failure
        ::close(fd_);
        fd_ = -1;
        failed_ = false;
    }

    void Write(PortRegister reg, uint8_t value) override {
        switch (reg) {
        case PortRegister::Data:
            Access(PPWDATA, &value);
            break;
        case PortRegister::Control:
            Access(PPWCONTROL, &value);
            break;
        case PortRegister::Status:
            break; // read-only lines
        }
    }

    uint8_t Read(PortRegister reg) override {
        unsigned char value = 0;
        const unsigned long request = reg == PortRegister::Data      ? PPRDATA
                                      : reg == PortRegister::Control ? PPRCONTROL
                                                                     : PPRSTATUS;
        return Access(request, &value) ? value : kNoBoardByte;
    }

private:
    static bool Request(int fd, unsigned long request, void* arg) {
        int result;
        do {
            result = ::ioctl(fd, request, arg);
        } while (result < 0 && errno == EINTR);
        return result == 0;
    }

    // A port that failed once (unplugged card, driver gone) is left alone until it is opened
    // again: the transfers run thousands of accesses and must not hammer a dead device.
    bool Access(unsigned long request, unsigned char* value) {
        if (fd_ < 0 || failed_) {
            return false;
        }
        if (!Request(fd_, request, value)) {
            failed_ = true;
            return false;
        }
        return true;
    }

    static std::string OpenFailure(const std::string& path, int error) {
        std::string text = path + ": " + ErrnoText(error) + ".";
        switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return text + "\nLoad the ppdev module:\n    sudo modprobe ppdev";
        case EACCES:
        case EPERM: {
            const std::string group = OwningGroup(path);
            return text + "\nAdd your user to the group that owns " + path +
                   (group.empty() ? ", usually lp" : " (" + group + ")") + ", then log in again.";
        }
        default:
            return text;
        }
    }

    std::string procRoot_;
    std::string devRoot_;
    int fd_ = -1;
    bool failed_ = false;
};

} // namespace

std::unique_ptr<PortBackend> MakePpdevBackend(const std::string& procRoot,
                                              const std::string& devRoot) {
    return std::make_unique<PpdevBackend>(procRoot, devRoot);
}
