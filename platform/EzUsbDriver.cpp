#include "platform/EzUsbDriver.h"

#include <algorithm>

namespace {

class NoEzUsbDriver final : public EzUsbDriver {
public:
    int32_t Open(const std::string&) override { return kNoDeviceHandle; }
    void Close(int32_t) override {}
    bool IoControl(int32_t, uint32_t, std::span<const uint8_t>, std::span<uint8_t>,
                   uint32_t& bytesReturned) override {
        bytesReturned = 0;
        return false;
    }
};

NoEzUsbDriver noDriver;
EzUsbDriver* installed = &noDriver;

} // namespace

void InstallEzUsbDriver(EzUsbDriver* driver) { installed = driver != nullptr ? driver : &noDriver; }

EzUsbDriver& InstalledEzUsbDriver() { return *installed; }

int EzUsbDeviceNumber(const std::string& deviceName) {
    if (deviceName.size() == 7 && deviceName.compare(0, 6, "Ezusb-") == 0 && deviceName[6] >= '0' &&
        deviceName[6] <= '3') {
        return deviceName[6] - '0';
    }
    return -1;
}

int32_t BulkRequestPipe(std::span<const uint8_t> input) {
    if (input.size() != 4) {
        return -1;
    }
    return static_cast<int32_t>(input[0] | input[1] << 8 | input[2] << 16 |
                                static_cast<uint32_t>(input[3]) << 24);
}

EzUsbRequest DecodeEzUsbRequest(uint32_t code, std::span<const uint8_t> input, size_t outputSize,
                                std::span<const PipeDescription> pipes) {
    using Kind = EzUsbRequest::Kind;
    EzUsbRequest request;
    switch (code) {
    case IoctlGetPipeInfo:
        request.kind = outputSize >= kPipeInfoSize ? Kind::PipeInfo : Kind::Invalid;
        break;
    case IoctlGetDeviceDescriptor:
        request.kind =
            outputSize >= kDeviceDescriptorLength ? Kind::DeviceDescriptor : Kind::Invalid;
        break;
    case IoctlGetStringDescriptor:
        if (input.size() == kStringRequestSize && input[4] == kStringRequestTag) {
            request.kind = Kind::StringDescriptor;
            request.stringIndex = input[0];
        }
        break;
    case IoctlBulkRead:
    case IoctlBulkWrite: {
        const int32_t pipe = BulkRequestPipe(input);
        if (pipe < 0 || static_cast<size_t>(pipe) >= pipes.size()) {
            break;
        }
        const bool towardsHost = pipes[static_cast<size_t>(pipe)].endpointAddress & 0x80;
        if (towardsHost == (code == IoctlBulkRead)) {
            request.kind = towardsHost ? Kind::BulkRead : Kind::BulkWrite;
            request.pipe = static_cast<size_t>(pipe);
        }
        break;
    }
    default:
        break;
    }
    return request;
}

void FillPipeInfo(std::span<uint8_t> record, std::span<const PipeDescription> pipes) {
    if (record.size() < kPipeInfoSize) {
        return;
    }
    std::fill(record.begin(), record.begin() + kPipeInfoSize, 0);
    const size_t count = std::min(pipes.size(), static_cast<size_t>(kPipeCount));
    record[kPipeInfoInterfaceOffset] = 0;
    record[kPipeInfoAlternateOffset] = 0;
    record[kPipeInfoPipeCountOffset] = static_cast<uint8_t>(count);
    for (size_t i = 0; i < count; ++i) {
        uint8_t* entry = record.data() + kPipeInfoHeaderSize + i * kPipeEntrySize;
        entry[kPipeMaxPacketOffset] = static_cast<uint8_t>(pipes[i].maxPacketSize & 0xFF);
        entry[kPipeMaxPacketOffset + 1] = static_cast<uint8_t>(pipes[i].maxPacketSize >> 8);
        entry[kPipeEndpointOffset] = pipes[i].endpointAddress;
        entry[kPipeAttributesOffset] = pipes[i].attributes;
    }
}
