#include "simulator/SimUsbAdapter.h"

#include "platform/AdapterCommands.h"
#include "platform/AdapterIds.h"
#include "platform/Clock.h"
#include "platform/ConverterWords.h"

#include <algorithm>
#include <charconv>
#include <thread>

namespace {

constexpr uint8_t kBulk = 2;

using namespace adapter;
using namespace words;

std::vector<uint8_t> StringOf(const std::string& text) {
    std::vector<uint8_t> d{static_cast<uint8_t>(2 + 2 * text.size()), 3};
    for (char c : text) {
        d.push_back(static_cast<uint8_t>(c));
        d.push_back(0);
    }
    return d;
}

} // namespace

SimAdapterConfig DefaultSimAdapterConfig() { return {AdapterVendorId, Fifo4ProductId}; }

SimUsbAdapter::SimUsbAdapter(SimSensor& sensor, SimAdapterConfig config)
    : sensor_(sensor), config_(std::move(config)) {
    const uint16_t packet = config_.highSpeed ? 512 : 64;
    // Commands out, replies in, and a second pair (unused by the host) for streaming.
    endpoints_ = {
        {0x01, kBulk, packet}, {0x81, kBulk, packet}, {0x02, kBulk, packet}, {0x86, kBulk, packet}};
}

std::vector<uint8_t> SimUsbAdapter::DeviceDescriptor() const {
    const uint16_t usb = config_.highSpeed ? 0x0200 : 0x0110;
    return {18,
            1,
            static_cast<uint8_t>(usb & 0xFF),
            static_cast<uint8_t>(usb >> 8),
            0xFF,
            0xFF,
            0xFF,
            64,
            static_cast<uint8_t>(config_.vendorId & 0xFF),
            static_cast<uint8_t>(config_.vendorId >> 8),
            static_cast<uint8_t>(config_.productId & 0xFF),
            static_cast<uint8_t>(config_.productId >> 8),
            static_cast<uint8_t>(config_.revisionMinor),
            config_.revisionMajor,
            1,
            2,
            0,
            1};
}

std::vector<uint8_t> SimUsbAdapter::StringDescriptor(int index) const {
    switch (index) {
    case 0:
        return {4, 3, 0x09, 0x04}; // English (United States)
    case 1:
        return StringOf(config_.manufacturer);
    case 2:
        return StringOf(config_.product);
    default:
        return {};
    }
}

void SimUsbAdapter::Write(int pipe, std::span<const uint8_t> bytes) {
    if (pipe == 0 && !bytes.empty()) {
        RunCommand(bytes);
    }
}

size_t SimUsbAdapter::Read(int pipe, std::span<uint8_t> bytes) {
    if (pipe != 1) {
        return 0;
    }
    const size_t n = std::min(bytes.size(), reply_.size());
    std::copy_n(reply_.begin(), n, bytes.begin());
    reply_.erase(reply_.begin(), reply_.begin() + static_cast<std::ptrdiff_t>(n));
    return n;
}

void SimUsbAdapter::RunCommand(std::span<const uint8_t> command) {
    // A new command drops a reply the host never fetched.
    reply_.clear();
    switch (command[0]) {
    case kRevision:
        reply_ = {config_.revisionMajor, config_.revisionMinor};
        break;
    case kReadSetup:
        reply_ = {wordDelay_, staticBits_};
        break;
    case kSetWordDelay:
        if (command.size() == 2) {
            wordDelay_ = std::max<uint8_t>(command[1], 1);
        }
        break;
    case kSetStaticBits:
        if (command.size() == 2) {
            staticBits_ = command[1];
            sensor_.SetSelfTest(staticBits_ & kStaticSelfTestPos, staticBits_ & kStaticSelfTestNeg);
        }
        break;
    case kTransferPos:
    case kTransferNeg: {
        if (command.size() < 3) {
            break;
        }
        const uint8_t channel = command[1];
        const int words = command[2];
        if (channel < 1 || channel > kChannels || words < 1 || words > kMaxWords ||
            command.size() != static_cast<size_t>(2 * words + 3)) {
            break;
        }
        sensor_.BeginTransaction();
        for (int k = 0; k < words; ++k) {
            const uint16_t out =
                static_cast<uint16_t>(command[3 + 2 * k] << 8 | command[4 + 2 * k]);
            const uint16_t in = TransferWord(channel, out);
            reply_.push_back(static_cast<uint8_t>(in >> 8));
            reply_.push_back(static_cast<uint8_t>(in & 0xFF));
        }
        sensor_.EndTransaction();
        break;
    }
    default:
        break;
    }
}

uint16_t SimUsbAdapter::TransferWord(uint8_t channel, uint16_t word) {
    const SimBoard board = sensor_.Board();
    if (channel == kConverterChannel && (board == SimBoard::Gyro || board == SimBoard::Mux)) {
        const auto code = static_cast<uint16_t>(sensor_.ConvertGyro(gyroAddress_));
        if (word & kGyroWrite) {
            gyroAddress_ = GyroChannel(word);
        }
        return code;
    }
    if (channel == kConverterChannel && board == SimBoard::Accel) {
        const auto code = static_cast<uint16_t>(sensor_.ConvertAccel(accelAxis_));
        accelAxis_ = AccelAxis(word);
        sensor_.SetPowerDown(AccelPowersDown(word));
        return code;
    }
    if (channel == kTempSensorChannel && board == SimBoard::Accel) {
        return static_cast<uint16_t>(sensor_.TemperatureWord());
    }
    // Nothing answers on this chip select: the data line stays low.
    return 0;
}

SimEzUsbDriver::SimEzUsbDriver(SimSensor& sensor) : sensor_(sensor) {}

SimUsbAdapter& SimEzUsbDriver::Plug(int number, SimAdapterConfig config) {
    auto& slot = adapters_.at(static_cast<size_t>(number));
    slot = std::make_unique<SimUsbAdapter>(sensor_, std::move(config));
    return *slot;
}

void SimEzUsbDriver::Unplug(int number) {
    adapters_.at(static_cast<size_t>(number)).reset();
    std::erase_if(handles_, [number](const auto& h) { return h.second == number; });
}

void SimEzUsbDriver::UnplugAll() {
    for (int n = 0; n < 4; ++n) {
        if (auto* adapter = Adapter(n)) {
            pulledOut_[static_cast<size_t>(n)] = adapter->Config();
            Unplug(n);
        }
    }
}

void SimEzUsbDriver::Reset() {
    for (int n = 0; n < 4; ++n) {
        Unplug(n);
        pulledOut_[static_cast<size_t>(n)].reset();
    }
    faults_.reset();
    unplugAfter_.reset();
    replugAfter_.reset();
    replugAt_.reset();
    timeout_ = Milliseconds(1000);
    transactionMs_ = kDefaultTransactionMs;
}

void SimEzUsbDriver::ReplugAll() {
    for (int n = 0; n < 4; ++n) {
        if (auto& config = pulledOut_[static_cast<size_t>(n)]) {
            Plug(n, *config);
            config.reset();
        }
    }
    replugAt_.reset();
}

bool SimEzUsbDriver::AnyPlugged() const {
    return std::any_of(adapters_.begin(), adapters_.end(),
                       [](const auto& a) { return a != nullptr; });
}

void SimEzUsbDriver::PlanUnplug(int transfers, std::optional<Milliseconds> back) {
    unplugAfter_ = transfers;
    replugAfter_ = back;
}

bool SimEzUsbDriver::TransferGoesThrough(SimUsbAdapter& adapter) {
    if (transactionMs_ > 0) {
        // A sample is one transaction (a write and a read) on this wire: the sensor's noise
        // follows that rate.
        sensor_.SetConversionTimes(transactionMs_ / 1000, transactionMs_ / 1000);
        // Busy, as the host waits for the bus: a sleep would take far longer than asked.
        using clock = std::chrono::steady_clock;
        // In fast time the conversion moves the clock instead.
        const auto end =
            clock::now() + std::chrono::duration<double, std::milli>(transactionMs_ / 2);
        while (FastTime() == nullptr && clock::now() < end) {
        }
    }
    if (unplugAfter_ && (*unplugAfter_)-- <= 0) {
        unplugAfter_.reset();
        UnplugAll();
        if (replugAfter_) {
            replugAt_ = std::chrono::steady_clock::now() + *replugAfter_;
        }
        lastFault_ = EzUsbFault::NoDevice;
        return false;
    }
    if (!faults_ || faults_->count <= 0) {
        return true;
    }
    if (faults_->after > 0) {
        --faults_->after;
        return true;
    }
    const SimUsbFault kind = faults_->kind;
    if (--faults_->count == 0) {
        faults_.reset();
    }
    if (kind == SimUsbFault::TimeOut) {
        std::this_thread::sleep_for(timeout_);
    }
    if (kind != SimUsbFault::Fail) {
        adapter.DropReply();
    }
    lastFault_ = kind == SimUsbFault::TimeOut ? EzUsbFault::TimedOut
                 : kind == SimUsbFault::Stall ? EzUsbFault::Stalled
                                              : EzUsbFault::Failed;
    return false;
}

std::optional<SimUsbFaultPlan> ParseSimUsbFault(const std::string& text) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos) {
        return std::nullopt;
    }
    SimUsbFaultPlan plan;
    const std::string kind = text.substr(0, colon);
    if (kind == "fail") {
        plan.kind = SimUsbFault::Fail;
    } else if (kind == "timeout") {
        plan.kind = SimUsbFault::TimeOut;
    } else if (kind == "stall") {
        plan.kind = SimUsbFault::Stall;
    } else {
        return std::nullopt;
    }
    const char* p = text.data() + colon + 1;
    const char* end = text.data() + text.size();
    const auto [next, error] = std::from_chars(p, end, plan.count);
    if (error != std::errc() || next == p || plan.count < 1) {
        return std::nullopt;
    }
    if (next != end) {
        if (*next != '@') {
            return std::nullopt;
        }
        p = next + 1;
        const auto after = std::from_chars(p, end, plan.after);
        if (after.ec != std::errc() || after.ptr != end || after.ptr == p || plan.after < 0) {
            return std::nullopt;
        }
    }
    return plan;
}

SimUsbAdapter* SimEzUsbDriver::Adapter(int number) {
    return number >= 0 && number < 4 ? adapters_[static_cast<size_t>(number)].get() : nullptr;
}

int32_t SimEzUsbDriver::Open(const std::string& deviceName) {
    if (replugAt_ && std::chrono::steady_clock::now() >= *replugAt_) {
        ReplugAll();
    }
    const int number = EzUsbDeviceNumber(deviceName);
    if (Adapter(number) == nullptr) {
        return kNoDeviceHandle;
    }
    const int32_t handle = nextHandle_;
    nextHandle_ = nextHandle_ == INT32_MAX ? 1 : nextHandle_ + 1;
    handles_[handle] = number;
    return handle;
}

void SimEzUsbDriver::Close(int32_t handle) { handles_.erase(handle); }

bool SimEzUsbDriver::IoControl(int32_t handle, uint32_t code, std::span<const uint8_t> input,
                               std::span<uint8_t> output, uint32_t& bytesReturned) {
    bytesReturned = 0;
    const auto it = handles_.find(handle);
    if (it == handles_.end()) {
        lastFault_ = EzUsbFault::NoDevice;
        return false;
    }
    lastFault_ = EzUsbFault::Failed;
    SimUsbAdapter& adapter = *adapters_[static_cast<size_t>(it->second)];
    const EzUsbRequest request =
        DecodeEzUsbRequest(code, input, output.size(), adapter.Endpoints());
    switch (request.kind) {
    case EzUsbRequest::Kind::PipeInfo:
        FillPipeInfo(output, adapter.Endpoints());
        bytesReturned = kPipeInfoSize;
        return true;
    case EzUsbRequest::Kind::DeviceDescriptor: {
        const auto descriptor = adapter.DeviceDescriptor();
        std::copy(descriptor.begin(), descriptor.end(), output.begin());
        bytesReturned = static_cast<uint32_t>(descriptor.size());
        return true;
    }
    case EzUsbRequest::Kind::StringDescriptor: {
        const auto descriptor = adapter.StringDescriptor(request.stringIndex);
        if (descriptor.empty()) {
            return false;
        }
        const size_t n = std::min(descriptor.size(), output.size());
        std::copy_n(descriptor.begin(), n, output.begin());
        bytesReturned = static_cast<uint32_t>(n);
        return true;
    }
    case EzUsbRequest::Kind::BulkWrite:
        if (!TransferGoesThrough(adapter)) {
            return false;
        }
        adapter.Write(static_cast<int>(request.pipe), output);
        bytesReturned = static_cast<uint32_t>(output.size());
        return true;
    case EzUsbRequest::Kind::BulkRead:
        if (!TransferGoesThrough(adapter)) {
            return false;
        }
        // A read the firmware cannot fill would time out on the wire.
        bytesReturned = static_cast<uint32_t>(adapter.Read(static_cast<int>(request.pipe), output));
        lastFault_ = EzUsbFault::TimedOut;
        return bytesReturned == output.size();
    case EzUsbRequest::Kind::Invalid:
        break;
    }
    return false;
}
