#include "sensors/ReadData.h"

#include "app/Analyzer.h"
#include "app/TextFormat.h"
#include "interfaces/UsbSpiDrivers.h"
#include "platform/ParallelPortLines.h"
#include "sensors/PortTransfers.h"
#include "sensors/m305.h"

#include <initializer_list>
#include <string>

namespace {

constexpr int16_t kParallel = 1;
constexpr int16_t kUsb = 2;

bool IsAccel(const std::string& name) { return name == "KXS201" || name == "KXS202"; }
bool IsConverterGyro(const std::string& name) { return name == "KXS306" || name == "KXS307"; }

// The gyroscope converters' temperature channel: 2048 at 25 degrees, 6.88 codes per degree.
float GyroTemperature(int32_t code) { return static_cast<float>((code - 2048) / 6.88 + 25.0); }

void Transfer(std::initializer_list<int32_t> words) {
    auto& app = App();
    uint8_t count = 0;
    for (int32_t w : words) {
        app.SpiWriteWords[++count] = w;
    }
    SpiTransfer(count);
}

int32_t ReceivedCode(int word) { return App().SpiReadWords[static_cast<size_t>(word)] & 0xFFF; }

// The model-3 board: the control register picks the input and carries the self-test, so it
// is loaded before every conversion.
int32_t ReadMultiplexed() {
    auto& app = App();
    const auto& m = app.mdiAnalyzer;
    int selfTest = 0;
    if (m.ckSelfTestPos.value != 0) {
        selfTest = 1;
    }
    if (m.ckSelfTestNeg.value != 0) {
        selfTest = -1;
    }
    std::string input;
    switch (app.ChannelIndex) {
    case 0:
        input = "Rate";
        break;
    case 2:
        input = "ADC1";
        break;
    case 3:
        input = "ADC2";
        break;
    default:
        break;
    }
    if (!input.empty()) {
        SetMuxChannel(input, selfTest);
    }
    return static_cast<int32_t>(ReadAdcValue());
}

} // namespace

int32_t ReadChannel(int16_t ch) {
    auto& app = App();
    app.ChanAddrLow = (ch & 1) ? lines::kData : 0;
    app.ChanAddrHigh = (ch & 2) ? lines::kData : 0;

    const std::string& name = app.DeviceName;
    if (app.InterfaceCode == kParallel) {
        if (IsAccel(name)) {
            return PortReadAccel();
        }
        if (name == "KXS305") {
            return ReadMultiplexed();
        }
        if (IsConverterGyro(name)) {
            return PortReadGyro();
        }
    } else if (app.InterfaceCode == kUsb) {
        if (IsAccel(name)) {
            return UsbReadAccel();
        }
        if (name == "KXS305" || IsConverterGyro(name)) {
            return UsbReadGyro();
        }
    }
    return 0;
}

int32_t UsbReadGyro() {
    auto& app = App();
    // Bits 11-10 address rate, temperature, input 1, input 2; each answer comes one word late.
    Transfer({0x8310, 0x8710, 0x8B10, 0x8F10, 0x8310});
    int word = 5;
    if (app.ChannelIndex == 0) {
        word = 2;
    } else if (app.ChannelIndex == 2) {
        word = 4;
    }
    app.Temperature = GyroTemperature(ReceivedCode(3));
    return ReceivedCode(word);
}

int32_t UsbReadAccel() {
    auto& app = App();
    const int32_t pd = app.PowerDown > 0 ? 0x0100 : 0;
    app.SpiChannel = 1;
    Transfer({0x0400 + pd, 0x0C00 + pd, pd});
    return ReceivedCode(app.ChannelIndex == 0 ? 2 : 3);
}

void UsbReadAccelTemp() {
    auto& app = App();
    app.SpiChannel = 2;
    Transfer({0});
    // Quarter degrees from bit 5 up; above 255 the count is negative.
    auto v = RoundToEven(app.SpiReadWords[1] / 32.0);
    if (v > 255) {
        v -= 512;
    }
    app.Temperature = static_cast<float>(v * 0.25);
}

float ReadTemperature() {
    auto& app = App();
    const std::string& name = app.DeviceName;
    if (app.InterfaceCode == kUsb) {
        // The adapter reads model 3 through the same converter words as models 4 and 5.
        if (name == "KXS305" || IsConverterGyro(name)) {
            UsbReadGyro();
        } else if (IsAccel(name)) {
            UsbReadAccelTemp();
        }
    } else if (app.InterfaceCode == kParallel) {
        if (IsConverterGyro(name)) {
            // The first transfer selects the temperature channel, the second converts it.
            app.ChanAddrLow = lines::kData;
            app.ChanAddrHigh = 0;
            PortReadGyro();
            app.Temperature = GyroTemperature(PortReadGyro() & 0xFFF);
        } else if (IsAccel(name)) {
            PortReadAccelTemp();
        }
        if (app.mdiAnalyzer.txtDevice.text == "KXS305") {
            std::string input = "Temper";
            SetMuxChannel(input, 0);
            const double code = readAdc();
            app.Temperature = static_cast<float>(code * 0.033908420138 - 273.15 + 25);
        }
    }
    app.frmData.lblTemp.caption = Format(app.Temperature, "0.00");
    // Restores the channel (and model 3's multiplexer) and primes the late converters.
    ReadChannel(app.ChannelIndex);
    return app.Temperature;
}

int32_t ConverterFullScaleCode() {
    const auto& app = App();
    return app.DeviceName == "KXS305" && app.InterfaceCode == kParallel ? 16383 : 4095;
}

float ChannelValue(int32_t code, int16_t ch) {
    const auto& app = App();
    if (ch < 0 || ch >= static_cast<int16_t>(app.ChannelScale.size())) {
        return 0.0f;
    }
    const auto index = static_cast<size_t>(ch);
    return (static_cast<float>(code) - static_cast<float>(app.ChannelOffset[index])) *
           app.ChannelScale[index];
}
