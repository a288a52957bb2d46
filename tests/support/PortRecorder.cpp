#include "tests/support/PortRecorder.h"

PortRecorder::PortRecorder(PortBackend* board) : board_(board) { InstallPortBackend(this); }

PortRecorder::~PortRecorder() {
    if (InstalledPortBackend() == this) {
        InstallPortBackend(nullptr);
    }
}

bool PortRecorder::Open(uint16_t base, std::string& reason) {
    opened.push_back(base);
    if (!openSucceeds) {
        reason = openFailure;
        return false;
    }
    return board_ == nullptr || board_->Open(base, reason);
}

void PortRecorder::Close() {
    ++closes;
    if (board_ != nullptr) {
        board_->Close();
    }
}

void PortRecorder::Write(PortRegister reg, uint8_t value) {
    log.push_back({PortEvent::Write, reg, value});
    if (board_ != nullptr) {
        board_->Write(reg, value);
    }
}

uint8_t PortRecorder::Read(PortRegister reg) {
    uint8_t value = statusValue;
    if (board_ != nullptr) {
        value = board_->Read(reg);
    } else if (reg == PortRegister::Status && !statusScript.empty()) {
        value = statusScript.front();
        statusScript.pop_front();
    }
    log.push_back({PortEvent::Read, reg, value});
    return value;
}

std::vector<int> PortRecorder::DataWrites() const {
    std::vector<int> writes;
    for (const auto& e : log) {
        if (e.kind == PortEvent::Write && e.reg == PortRegister::Data) {
            writes.push_back(e.value);
        }
    }
    return writes;
}
