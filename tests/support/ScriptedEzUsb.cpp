#include "tests/support/ScriptedEzUsb.h"

#include <algorithm>

int32_t ScriptedEzUsbDriver::Open(const std::string& deviceName) {
    const int32_t handle = sim_.Open(deviceName);
    if (handle >= 1) {
        handles_.insert(handle);
    }
    return handle;
}

void ScriptedEzUsbDriver::Close(int32_t handle) {
    handles_.erase(handle);
    sim_.Close(handle);
}

bool ScriptedEzUsbDriver::IoControl(int32_t handle, uint32_t code, std::span<const uint8_t> input,
                                    std::span<uint8_t> output, uint32_t& bytesReturned) {
    bytesReturned = 0;
    RecordedRequest& request = requests.emplace_back();
    request.code = code;
    if (code == IoctlBulkWrite) {
        request.sent.assign(output.begin(), output.end());
    }
    if (failIf && failIf(request)) {
        return false;
    }
    auto give = [&](const std::vector<uint8_t>& bytes) {
        const size_t n = std::min(bytes.size(), output.size());
        std::copy_n(bytes.begin(), n, output.begin());
        bytesReturned = static_cast<uint32_t>(n);
        return true;
    };
    if (code == IoctlBulkRead && !replies.empty()) {
        const auto reply = replies.front();
        replies.pop_front();
        return give(reply);
    }
    if (code == IoctlGetStringDescriptor && !input.empty() && strings.contains(input[0])) {
        return give(strings[input[0]]);
    }
    return sim_.IoControl(handle, code, input, output, bytesReturned);
}

void ScriptedEzUsbDriver::FailNth(uint32_t code, int nth) {
    failIf = [code, nth, seen = 0](const RecordedRequest& r) mutable {
        return r.code == code && ++seen == nth;
    };
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
