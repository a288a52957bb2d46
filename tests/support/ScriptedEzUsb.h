// The simulated adapters behind a driver that records every request and, on demand, fails
// one or answers it with chosen bytes (short or odd answers).
#pragma once

#include "simulator/SimUsbAdapter.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <vector>

struct RecordedRequest {
    uint32_t code = 0;
    std::vector<uint8_t> sent; // a bulk write's bytes
};

class ScriptedEzUsbDriver final : public EzUsbDriver {
public:
    // Installs itself; the destructor puts back no driver.
    ScriptedEzUsbDriver() { InstallEzUsbDriver(this); }
    ~ScriptedEzUsbDriver() override { InstallEzUsbDriver(nullptr); }

    SimUsbAdapter& Attach(int number, SimAdapterConfig config = DefaultSimAdapterConfig()) {
        return sim_.Plug(number, std::move(config));
    }
    void Detach(int number) { sim_.Unplug(number); }

    int32_t Open(const std::string& deviceName) override {
        const int32_t handle = sim_.Open(deviceName);
        if (handle >= 1) {
            handles_.insert(handle);
        }
        return handle;
    }
    void Close(int32_t handle) override {
        handles_.erase(handle);
        sim_.Close(handle);
    }
    bool IoControl(int32_t handle, uint32_t code, std::span<const uint8_t> input,
                   std::span<uint8_t> output, uint32_t& bytesReturned) override {
        bytesReturned = 0;
        RecordedRequest& request = requests.emplace_back();
        request.code = code;
        if (code == IoctlBulkWrite) {
            request.sent.assign(output.begin(), output.end());
        }
        scripted_ = failIf && failIf(request);
        if (scripted_) {
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
    EzUsbFault LastFault() const override { return scripted_ ? failWith : sim_.LastFault(); }

    // Fails the nth request with this code from now on (counted from 1).
    void FailNth(uint32_t code, int nth = 1) {
        failIf = [code, nth, seen = 0](const RecordedRequest& r) mutable {
            return r.code == code && ++seen == nth;
        };
    }
    // The bytes of every bulk write, in order.
    std::vector<std::vector<uint8_t>> Writes() const {
        std::vector<std::vector<uint8_t>> writes;
        for (const auto& r : requests) {
            if (r.code == IoctlBulkWrite) {
                writes.push_back(r.sent);
            }
        }
        return writes;
    }
    int Count(uint32_t code) const {
        return static_cast<int>(std::count_if(requests.begin(), requests.end(),
                                              [code](const auto& r) { return r.code == code; }));
    }
    int OpenHandles() const { return static_cast<int>(handles_.size()); }

    SimSensor sensor;
    // A request for which this answers true fails (after being recorded), for this reason.
    std::function<bool(const RecordedRequest&)> failIf;
    EzUsbFault failWith = EzUsbFault::Failed;
    // Answers in place of the firmware's: to bulk reads, in order, and string descriptors by
    // index. Both go out as they stand, so a bLength beyond the bytes sent is a short answer.
    std::deque<std::vector<uint8_t>> replies;
    std::map<uint8_t, std::vector<uint8_t>> strings;
    std::vector<RecordedRequest> requests;

private:
    SimEzUsbDriver sim_{sensor};
    std::set<int32_t> handles_;
    bool scripted_ = false; // the last request failed by failIf
};
