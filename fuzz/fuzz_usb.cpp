// The adapter's host side against answers from the input: the simulated adapters the hardware
// layer installs answer each request unless the input's next byte fails it or replaces its
// answer with bytes of its own (descriptors, pipe information, replies), then the scan and the
// transactions run.
#include "app/Analyzer.h"
#include "app/Hardware.h"
#include "fuzz/QuietFrontend.h"
#include "interfaces/UsbSpiDrivers.h"
#include "platform/EzUsbDriver.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>

namespace {

class InputDriver final : public EzUsbDriver {
public:
    // In front of the adapters' driver.
    void Start(FuzzedDataProvider& input, EzUsbDriver& adapters) {
        input_ = &input;
        adapters_ = &adapters;
        fault_ = EzUsbFault::Failed;
    }

    int32_t Open(const std::string& deviceName) override { return adapters_->Open(deviceName); }
    void Close(int32_t handle) override { adapters_->Close(handle); }
    bool IoControl(int32_t handle, uint32_t code, std::span<const uint8_t> in,
                   std::span<uint8_t> out, uint32_t& bytesReturned) override {
        fault_.reset();
        // No bytes left (or 0 and 1): the adapter's own answer.
        switch (input_->ConsumeIntegral<uint8_t>() % 4) {
        case 2:
            bytesReturned = 0;
            fault_ = static_cast<EzUsbFault>(input_->ConsumeIntegralInRange(0, 3));
            return false;
        case 3: {
            const auto bytes = input_->ConsumeBytes<uint8_t>(input_->ConsumeIntegral<uint8_t>());
            const size_t n = std::min(bytes.size(), out.size());
            std::copy_n(bytes.begin(), n, out.begin());
            bytesReturned = static_cast<uint32_t>(n);
            return true;
        }
        default:
            return adapters_->IoControl(handle, code, in, out, bytesReturned);
        }
    }
    EzUsbFault LastFault() const override { return fault_ ? *fault_ : adapters_->LastFault(); }

private:
    EzUsbDriver* adapters_ = nullptr;
    FuzzedDataProvider* input_ = nullptr;
    std::optional<EzUsbFault> fault_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QuietFrontend ui;
    static InputDriver driver;
    FuzzedDataProvider input(data, size);
    ResetAppState();
    InstallFrontend(&ui);
    CommandLine simulated;
    simulated.simulate = true;
    simulated.simulateUsbTransactionMs = 0;
    simulated.simulateAdapters.clear();
    const uint8_t unplugged = input.ConsumeIntegral<uint8_t>();
    for (int n = 0; n < 4; ++n) {
        if ((unplugged >> n & 1) == 0) {
            simulated.simulateAdapters.push_back(n);
        }
    }
    InstallHardware(simulated);
    driver.Start(input, InstalledEzUsbDriver());
    InstallEzUsbDriver(&driver);

    FindUsbAdapters();
    auto& usb = Usb();
    for (int step = 0; step < 16 && input.remaining_bytes() > 0; ++step) {
        switch (input.ConsumeIntegral<uint8_t>() % 5) {
        case 0:
            ReadSpiSetup();
            break;
        case 1: {
            usb.SpiChannel = input.ConsumeIntegral<uint8_t>();
            usb.SpiInputPolarity = input.ConsumeBool();
            uint8_t count = input.ConsumeIntegralInRange<uint8_t>(0, 17);
            for (size_t i = 1; i < usb.SpiWriteWords.size(); ++i) {
                usb.SpiWriteWords[i] = input.ConsumeIntegralInRange<int32_t>(0, 65535);
            }
            SpiTransfer(count);
            break;
        }
        case 2: {
            uint8_t delay = input.ConsumeIntegral<uint8_t>();
            SetSpiWordDelay(delay);
            break;
        }
        case 3: {
            uint8_t bits = input.ConsumeIntegral<uint8_t>();
            SetSpiStaticBits(bits);
            break;
        }
        default:
            FindUsbAdapters();
        }
    }
    RemoveHardware();
    return 0;
}
