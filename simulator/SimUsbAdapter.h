// A simulated USB SPI adapter seen from the USB side: its descriptors and endpoints, and the
// firmware that runs the command table, with the simulated sensor's parts behind its
// chip-select channels (channel 1 the converter, channel 2 the accelerometer boards'
// temperature sensor). SimEzUsbDriver puts up to four of them behind the driver layer.
#pragma once

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/EzUsbDriver.h"
#include "simulator/SimSensor.h"

struct SimAdapterConfig {
    uint16_t vendorId;
    uint16_t productId;
    bool highSpeed = true; // 512-byte bulk packets; otherwise 64 (full speed)
    uint8_t revisionMajor = 1;
    uint8_t revisionMinor = 2;
    std::string manufacturer = "Quelto";
    std::string product = "USB SPI Adapter";
};

SimAdapterConfig DefaultSimAdapterConfig();

class SimUsbAdapter {
public:
    SimUsbAdapter(SimSensor& sensor, SimAdapterConfig config);

    const SimAdapterConfig& Config() const { return config_; }
    // The standard 18-byte device descriptor.
    std::vector<uint8_t> DeviceDescriptor() const;
    // The whole string descriptor (bLength, type 3, UTF-16LE); index 0 lists the languages.
    // Empty for an index the device does not have.
    std::vector<uint8_t> StringDescriptor(int index) const;
    // The endpoints of interface 0, alternate setting 0, in order: pipe i is endpoint i.
    const std::vector<PipeDescription>& Endpoints() const { return endpoints_; }

    // A bulk OUT transfer: pipe 0 carries commands to the firmware.
    void Write(int pipe, std::span<const uint8_t> bytes);
    // A bulk IN transfer: pipe 1 gives the pending reply bytes. Returns how many were placed;
    // fewer than asked means the firmware had nothing more to send.
    size_t Read(int pipe, std::span<uint8_t> bytes);

    // The firmware forgets the reply it had not sent yet.
    void DropReply() { reply_.clear(); }

    uint8_t StaticBits() const { return staticBits_; }
    uint8_t WordDelay() const { return wordDelay_; }

private:
    void RunCommand(std::span<const uint8_t> command);
    uint16_t TransferWord(uint8_t channel, uint16_t word);

    SimSensor& sensor_;
    SimAdapterConfig config_;
    std::vector<PipeDescription> endpoints_;
    std::deque<uint8_t> reply_;
    uint8_t wordDelay_ = 10;
    uint8_t staticBits_ = 0;
    // The converters answer one word late: the code converted at a word's start is for the
    // channel addressed by the word before.
    int gyroAddress_ = 0;
    int accelAxis_ = 0;
};

// Trouble on the wire, for trying out how the program copes. Each kind fails the bulk
// transfer it hits: an error at once, a timeout only after the driver's timeout has passed,
// or a stalled endpoint, whose pending reply is lost.
enum class SimUsbFault { Fail, TimeOut, Stall };
struct SimUsbFaultPlan {
    SimUsbFault kind = SimUsbFault::Fail;
    int count = 1; // transfers that fail
    int after = 0; // good transfers before the first one fails
};
// "fail:3", "timeout:1@200" (after 200 good transfers), "stall:2"; nullopt for anything else.
std::optional<SimUsbFaultPlan> ParseSimUsbFault(const std::string& text);

inline constexpr double kDefaultTransactionMs = 0.25;

// The driver layer over simulated adapters at chosen numbers.
class SimEzUsbDriver final : public EzUsbDriver {
public:
    using Milliseconds = std::chrono::milliseconds;
    explicit SimEzUsbDriver(SimSensor& sensor);

    // Attaches an adapter at number 0..3 (replacing one there).
    SimUsbAdapter& Plug(int number, SimAdapterConfig config = DefaultSimAdapterConfig());
    void Unplug(int number);
    SimUsbAdapter* Adapter(int number);

    // Pulls every adapter out, or plugs the ones pulled out back in (with fresh firmware).
    void UnplugAll();
    void ReplugAll();
    bool AnyPlugged() const;
    // Pulls the adapters out after this many more bulk transfers; when back is given they
    // are plugged in again that long afterwards.
    void PlanUnplug(int transfers, std::optional<Milliseconds> back = std::nullopt);
    void PlanFaults(const SimUsbFaultPlan& plan) { faults_ = plan; }
    // Back to no adapters and no trouble planned.
    void Reset();
    // How long a transfer that times out takes.
    void SetTimeout(Milliseconds timeout) { timeout_ = timeout; }
    // How long a transaction (a command and its reply) takes on the bus; a high-speed adapter
    // needs about 0.25 ms. Each bulk transfer takes half of it.
    void SetTransactionTime(double milliseconds) { transactionMs_ = std::max(0.0, milliseconds); }

    int32_t Open(const std::string& deviceName) override;
    void Close(int32_t handle) override;
    bool IoControl(int32_t handle, uint32_t code, std::span<const uint8_t> input,
                   std::span<uint8_t> output, uint32_t& bytesReturned) override;
    EzUsbFault LastFault() const override { return lastFault_; }

private:
    // False when the planned trouble takes this transfer.
    bool TransferGoesThrough(SimUsbAdapter& adapter);

    SimSensor& sensor_;
    std::array<std::unique_ptr<SimUsbAdapter>, 4> adapters_;
    std::array<std::optional<SimAdapterConfig>, 4> pulledOut_;
    std::map<int32_t, int> handles_; // handle -> adapter number
    int32_t nextHandle_ = 1;
    std::optional<SimUsbFaultPlan> faults_;
    std::optional<int> unplugAfter_;
    std::optional<Milliseconds> replugAfter_;
    std::optional<std::chrono::steady_clock::time_point> replugAt_;
    Milliseconds timeout_{1000};
    double transactionMs_ = kDefaultTransactionMs;
    EzUsbFault lastFault_ = EzUsbFault::Failed;
};
