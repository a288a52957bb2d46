#include "tests/support/ScriptedEzUsb.h"

#include <algorithm>

std::vector<uint8_t> UsbString(const std::string& text) {
    std::vector<uint8_t> d{static_cast<uint8_t>(2 + 2 * text.size()), 3};
    for (char c : text) {
        d.push_back(static_cast<uint8_t>(c));
        d.push_back(0);
    }
    return d;
}

ScriptedEzUsbDriver::ScriptedEzUsbDriver() { InstallEzUsbDriver(this); }

ScriptedEzUsbDriver::~ScriptedEzUsbDriver() {
    if (&InstalledEzUsbDriver() == this) {
        InstallEzUsbDriver(nullptr);
    }
}

ScriptedAdapter& ScriptedEzUsbDriver::Attach(int number) {
    auto& slot = adapters.at(static_cast<size_t>(number));
    slot.emplace();
    return *slot;
}

int32_t ScriptedEzUsbDriver::Open(const std::string& deviceName) {
    const int number = EzUsbDeviceNumber(deviceName);
    if (number < 0 || !adapters[static_cast<size_t>(number)]) {
        return kNoDeviceHandle;
    }
    ++opens;
    handles_[nextHandle_] = number;
    return nextHandle_++;
}

void ScriptedEzUsbDriver::Close(int32_t handle) {
    if (handles_.erase(handle) > 0) {
        ++closes;
    }
}

bool ScriptedEzUsbDriver::IoControl(int32_t handle, uint32_t code, std::span<const uint8_t> input,
                                    std::span<uint8_t> output, uint32_t& bytesReturned) {
    bytesReturned = 0;
    const auto it = handles_.find(handle);
    RecordedRequest request;
    request.number = it != handles_.end() ? it->second : -1;
    request.code = code;
    request.input.assign(input.begin(), input.end());
    request.outputSize = output.size();
    if (code == IoctlBulkWrite) {
        request.sent.assign(output.begin(), output.end());
    }
    requests.push_back(request);

    if (unplugAtRequest > 0 && static_cast<int>(requests.size()) >= unplugAtRequest) {
        adapters.at(static_cast<size_t>(unplugNumber)).reset();
    }
    if (request.number < 0 || !adapters[static_cast<size_t>(request.number)]) {
        return false;
    }
    if (failIf && failIf(request)) {
        return false;
    }
    return Answer(*adapters[static_cast<size_t>(request.number)], request, output, bytesReturned);
}

bool ScriptedEzUsbDriver::Answer(ScriptedAdapter& adapter, const RecordedRequest& request,
                                 std::span<uint8_t> output, uint32_t& bytesReturned) {
    auto give = [&](const std::vector<uint8_t>& bytes) {
        const size_t n = std::min(bytes.size(), output.size());
        std::copy_n(bytes.begin(), n, output.begin());
        bytesReturned = static_cast<uint32_t>(n);
        return true;
    };
    switch (request.code) {
    case IoctlGetDeviceDescriptor: {
        std::vector<uint8_t> d(kDeviceDescriptorLength, 0);
        d[0] = static_cast<uint8_t>(kDeviceDescriptorLength);
        d[1] = 1;
        d[kVendorIdOffset] = static_cast<uint8_t>(adapter.vendorId & 0xFF);
        d[kVendorIdOffset + 1] = static_cast<uint8_t>(adapter.vendorId >> 8);
        d[kProductIdOffset] = static_cast<uint8_t>(adapter.productId & 0xFF);
        d[kProductIdOffset + 1] = static_cast<uint8_t>(adapter.productId >> 8);
        return give(d);
    }
    case IoctlGetStringDescriptor: {
        const uint8_t index = request.input.empty() ? 0 : request.input[0];
        if (index == 1) {
            return give(adapter.string1);
        }
        if (index == 2) {
            return give(adapter.string2);
        }
        return false;
    }
    case IoctlGetPipeInfo: {
        if (output.size() < kPipeInfoSize) {
            return false;
        }
        const std::array<PipeDescription, 4> pipes{
            {{0x01, 2, 512}, {0x81, 2, 512}, {0x02, 2, 512}, {0x86, 2, adapter.pipe3MaxPacket}}};
        FillPipeInfo(output, pipes);
        bytesReturned = kPipeInfoSize;
        return true;
    }
    case IoctlBulkWrite:
        lastCommand_ = request.sent;
        bytesReturned = static_cast<uint32_t>(output.size());
        return true;
    case IoctlBulkRead: {
        if (!adapter.replies.empty()) {
            const auto reply = adapter.replies.front();
            adapter.replies.pop_front();
            return give(reply);
        }
        const uint8_t command = lastCommand_.empty() ? 0xFF : lastCommand_[0];
        if (command == 0x00) {
            return give({1, 2});
        }
        if (command == 0x01) {
            return give({10, 0x68});
        }
        return give(std::vector<uint8_t>(output.size(), 0));
    }
    default:
        return false;
    }
}

std::vector<std::vector<uint8_t>> ScriptedEzUsbDriver::Writes() const {
    std::vector<std::vector<uint8_t>> writes;
    for (const auto& r : requests) {
        if (r.code == IoctlBulkWrite) {
            writes.push_back(r.sent);
        }
    }
    return writes;
}

int ScriptedEzUsbDriver::Count(uint32_t code) const {
    return static_cast<int>(std::count_if(requests.begin(), requests.end(),
                                          [code](const auto& r) { return r.code == code; }));
}
