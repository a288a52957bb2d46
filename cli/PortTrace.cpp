#include "cli/PortTrace.h"

#include "platform/Privileges.h"

#include <cstdio>

namespace {

// One line an access: written a megabyte at a time, the trace does not slow the transfers.
constexpr size_t kBufferBytes = 1 << 20;

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

void PortTrace::Start(const std::string& path) {
    inner_ = InstalledPortBackend();
    if (inner_ == nullptr) {
        throw quelto::Error(quelto::ErrorKind::RunFailed, "there is no parallel port to trace",
                            "trace-port");
    }
    path_ = path;
    buffer_ = "# register\taccess\tvalue (hex)\n";
    error_.clear();
    if (!HoldsRootToGiveUp()) {
        file_.emplace(path_, "trace-port");
    }
    started_ = true;
    InstallPortBackend(this);
}

// Written when it fills and at the end; a failed write ends the writing, not the run.
void PortTrace::MakeFile() {
    try {
        if (!file_ && !HoldsRootToGiveUp()) {
            file_.emplace(path_, "trace-port");
        }
        if (file_ && error_.empty()) {
            file_->write(buffer_);
            buffer_.clear();
        }
    } catch (const quelto::Error& failure) {
        error_ = failure.what();
        buffer_.clear();
    }
}

bool PortTrace::Stop(std::string& reason) {
    if (!started_) {
        return true;
    }
    started_ = false;
    if (InstalledPortBackend() == this) {
        InstallPortBackend(inner_);
    }
    // The port is done with: root is no longer needed to make the file.
    if (!file_ && HoldsRootToGiveUp() && DropToInvokingUser() != PrivilegeDrop::Dropped) {
        error_ = "root could not be given up, so " + path_ + " is not written";
    }
    MakeFile();
    try {
        if (file_ && error_.empty()) {
            file_->commit();
        }
    } catch (const quelto::Error& failure) {
        error_ = failure.what();
    }
    file_.reset();
    reason = error_;
    return error_.empty();
}

PortTrace::~PortTrace() {
    std::string reason;
    Stop(reason);
}

bool PortTrace::Open(uint16_t base, std::string& reason) {
    const bool opened = inner_->Open(base, reason);
    char line[32];
    std::snprintf(line, sizeof line, "# open %04X %s\n", base, opened ? "ok" : "failed");
    buffer_ += line;
    // Opening the port under sudo gave root up.
    MakeFile();
    return opened;
}

void PortTrace::Record(const char* reg, char access, uint8_t value) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    buffer_ += reg;
    buffer_ += '\t';
    buffer_ += access;
    buffer_ += '\t';
    buffer_ += kHex[value >> 4];
    buffer_ += kHex[value & 15];
    buffer_ += '\n';
    if (buffer_.size() >= kBufferBytes) {
        MakeFile();
    }
}

void PortTrace::Write(PortRegister reg, uint8_t value) {
    Record(RegisterName(reg), 'W', value);
    inner_->Write(reg, value);
}

uint8_t PortTrace::Read(PortRegister reg) {
    const uint8_t value = inner_->Read(reg);
    Record(RegisterName(reg), 'R', value);
    return value;
}
