// Records every access to the parallel port's registers, in order, so a transfer can be
// checked bit by bit against a logic analyser's capture. Wraps the installed port backend.
#pragma once

#include "platform/PortIo.h"

#include <cstdio>
#include <string>

class PortTrace final : public PortBackend {
public:
    // Installs itself in front of the backend installed now; false, with a reason, when the
    // file cannot be created.
    bool Start(const std::string& path, std::string& reason);
    // Puts the wrapped backend back and closes the file; false when writing it failed.
    bool Stop(std::string& reason);
    ~PortTrace() override;

    bool Open(uint16_t base, std::string& reason) override;
    std::string AddressQuestion(uint16_t base) override { return inner_->AddressQuestion(base); }
    void AllowAddress(uint16_t base) override { inner_->AllowAddress(base); }
    void Close() override { inner_->Close(); }
    void Write(PortRegister reg, uint8_t value) override;
    uint8_t Read(PortRegister reg) override;

private:
    PortBackend* inner_ = nullptr;
    std::FILE* file_ = nullptr;
    std::string path_;
};
