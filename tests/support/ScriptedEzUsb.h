// A scripted adapter driver for tests: adapters at chosen numbers with chosen identifiers,
// descriptors and replies, every request recorded, and faults on demand (a failing request,
// short or odd answers, an adapter unplugged at the n-th request).
#pragma once

#include "platform/AdapterIds.h"
#include "platform/EzUsbDriver.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// A whole string descriptor for text (ASCII).
std::vector<uint8_t> UsbString(const std::string& text);

struct ScriptedAdapter {
    uint16_t vendorId = AdapterVendorId;
    uint16_t productId = Fifo4ProductId;
    // Returned as they stand, so a bLength larger than the bytes sent is a short answer.
    std::vector<uint8_t> string1 = UsbString("Quelto");
    std::vector<uint8_t> string2 = UsbString("SPI Adapter");
    uint16_t pipe3MaxPacket = 512;
    // Answers to bulk reads, in order, returned as they stand. Without one, a read gets the
    // firmware's usual answer: [1, 2] to the revision, [10, 0x68] to the set-up, zero words
    // to a transfer.
    std::deque<std::vector<uint8_t>> replies;
};

struct RecordedRequest {
    int number = -1; // the adapter's number
    uint32_t code = 0;
    std::vector<uint8_t> input;
    std::vector<uint8_t> sent; // a bulk write's bytes
    size_t outputSize = 0;
};

class ScriptedEzUsbDriver final : public EzUsbDriver {
public:
    // Installs itself; the destructor puts back no driver.
    ScriptedEzUsbDriver();
    ~ScriptedEzUsbDriver() override;

    int32_t Open(const std::string& deviceName) override;
    void Close(int32_t handle) override;
    bool IoControl(int32_t handle, uint32_t code, std::span<const uint8_t> input,
                   std::span<uint8_t> output, uint32_t& bytesReturned) override;

    ScriptedAdapter& Attach(int number);

    // The bytes of every bulk write, in order.
    std::vector<std::vector<uint8_t>> Writes() const;
    // Requests with this code.
    int Count(uint32_t code) const;
    int OpenHandles() const { return static_cast<int>(handles_.size()); }

    std::array<std::optional<ScriptedAdapter>, 4> adapters;
    // A request for which this answers true fails (after being recorded).
    std::function<bool(const RecordedRequest&)> failIf;
    // From this request on (counted from 1) the adapter at unplugNumber is gone.
    int unplugAtRequest = 0;
    int unplugNumber = 0;

    std::vector<RecordedRequest> requests;
    int opens = 0;
    int closes = 0;

private:
    bool Answer(ScriptedAdapter& adapter, const RecordedRequest& request, std::span<uint8_t> output,
                uint32_t& bytesReturned);

    std::map<int32_t, int> handles_;
    int32_t nextHandle_ = 1;
    std::vector<uint8_t> lastCommand_;
};
