// The simulated adapters behind a driver that records every request and, on demand, fails
// one or answers it with chosen bytes (short or odd answers).
#pragma once

#include "simulator/SimUsbAdapter.h"

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

    int32_t Open(const std::string& deviceName) override;
    void Close(int32_t handle) override;
    bool IoControl(int32_t handle, uint32_t code, std::span<const uint8_t> input,
                   std::span<uint8_t> output, uint32_t& bytesReturned) override;

    // Fails the nth request with this code from now on (counted from 1).
    void FailNth(uint32_t code, int nth = 1);
    // The bytes of every bulk write, in order.
    std::vector<std::vector<uint8_t>> Writes() const;
    int Count(uint32_t code) const;
    int OpenHandles() const { return static_cast<int>(handles_.size()); }

    SimSensor sensor;
    // A request for which this answers true fails (after being recorded).
    std::function<bool(const RecordedRequest&)> failIf;
    // Answers in place of the firmware's: to bulk reads, in order, and string descriptors by
    // index. Both go out as they stand, so a bLength beyond the bytes sent is a short answer.
    std::deque<std::vector<uint8_t>> replies;
    std::map<uint8_t, std::vector<uint8_t>> strings;
    std::vector<RecordedRequest> requests;

private:
    SimEzUsbDriver sim_{sensor};
    std::set<int32_t> handles_;
};
