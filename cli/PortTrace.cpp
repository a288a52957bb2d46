#include "cli/PortTrace.h"

#include "platform/ErrnoText.h"

#include <cerrno>

namespace {

const char* RegisterName(PortRegister reg) {
    switch (reg) {
    case PortRegister::Data:
        return "data";
    case PortRegister::Status:
        return "status";
    default:
        return "control";
    }
}

} // namespace

bool PortTrace::Start(const std::string& path, std::string& reason) {
    inner_ = InstalledPortBackend();
    if (inner_ == nullptr) {
        reason = "there is no parallel port to trace";
        return false;
    }
    file_ = std::fopen(path.c_str(), "w");
    if (file_ == nullptr) {
        reason = "cannot create " + path + ": " + ErrnoText(errno);
        inner_ = nullptr;
        return false;
    }
    path_ = path;
    // One line an access: a large buffer keeps the trace from slowing the transfers.
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
    std::fputs("# register\taccess\tvalue (hex)\n", file_);
    InstallPortBackend(this);
    return true;
}

bool PortTrace::Stop(std::string& reason) {
    if (file_ == nullptr) {
        return true;
    }
    if (InstalledPortBackend() == this) {
        InstallPortBackend(inner_);
    }
    const bool failed = std::ferror(file_) != 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (failed || !closed) {
        reason = "writing the port trace " + path_ + " failed: " + ErrnoText(errno);
        return false;
    }
    return true;
}

PortTrace::~PortTrace() {
    std::string reason;
    Stop(reason);
}

bool PortTrace::Open(uint16_t base, std::string& reason) {
    const bool opened = inner_->Open(base, reason);
    std::fprintf(file_, "# open %04X %s\n", base, opened ? "ok" : "failed");
    return opened;
}

void PortTrace::Write(PortRegister reg, uint8_t value) {
    std::fprintf(file_, "%s\tW\t%02X\n", RegisterName(reg), value);
    inner_->Write(reg, value);
}

uint8_t PortTrace::Read(PortRegister reg) {
    const uint8_t value = inner_->Read(reg);
    std::fprintf(file_, "%s\tR\t%02X\n", RegisterName(reg), value);
    return value;
}
