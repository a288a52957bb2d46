// Records every access to the parallel port's registers, in order, so a transfer can be
// checked bit by bit against a logic analyser's capture. Wraps the installed port backend.
#pragma once

#include "platform/PortIo.h"

#include <quelto/OutputFile.h>

#include <optional>
#include <string>

class PortTrace final : public PortBackend {
public:
    // Installs itself in front of the backend installed now; quelto::Error when there is no
    // port or the file cannot be made. The file is made as the user: under sudo, only once
    // the port is open and root given up (until then the trace waits in memory).
    void Start(const std::string& path);
    // Puts the wrapped backend back and puts the file in place; false, with the reason, when
    // it could not be written.
    bool Stop(std::string& reason);
    ~PortTrace() override;

    bool Open(uint16_t base, std::string& reason) override;
    std::string AddressQuestion(uint16_t base) override { return inner_->AddressQuestion(base); }
    void AllowAddress(uint16_t base) override { inner_->AllowAddress(base); }
    void Close() override { inner_->Close(); }
    void Write(PortRegister reg, uint8_t value) override;
    uint8_t Read(PortRegister reg) override;

private:
    void MakeFile();
    void Record(const char* reg, char access, uint8_t value);

    PortBackend* inner_ = nullptr;
    std::optional<quelto::OutputFile> file_;
    std::string path_;
    std::string buffer_;
    std::string error_;
    bool started_ = false;
};
