#include "platform/PortIoLinux.h"

namespace {

// Refuses every port until the real backends are in.
class RefusingBackend : public PortBackend {
public:
    bool Open(uint16_t, std::string& reason) override {
        reason = "Port I/O is not available.";
        return false;
    }
    void Close() override {}
    void Write(PortRegister, uint8_t) override {}
    uint8_t Read(PortRegister) override { return kNoBoardByte; }
};

} // namespace

std::unique_ptr<PortBackend> MakePpdevBackend(const std::string&, const std::string&) {
    return std::make_unique<RefusingBackend>();
}

std::unique_ptr<PortBackend> MakeDirectIoBackend() { return std::make_unique<RefusingBackend>(); }
