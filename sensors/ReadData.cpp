#include "sensors/ReadData.h"

#include "forms/MainWindowForm.h"
#include "forms/TimePlotForm.h"
#include "interfaces/Interface.h"
#include "interfaces/UsbSpiDrivers.h"
#include "platform/AdapterCommands.h"
#include "platform/ConverterWords.h"
#include "platform/ParallelPortLines.h"
#include "platform/TextFormat.h"
#include "sensors/Acquisition.h"
#include "sensors/PortTransfers.h"
#include "sensors/SensorModels.h"
#include "sensors/m305.h"

#include <initializer_list>
#include <string>

namespace {

constexpr int kAdapterCodeBits = words::kCodeBits;

// The gyroscope converters' temperature channel: 2048 at 25 degrees, 6.88 codes per degree.
float GyroTemperature(int32_t code) { return static_cast<float>((code - 2048) / 6.88 + 25.0); }

// True when the adapter answered: a failed or skipped transfer leaves older words behind.
bool Transfer(std::initializer_list<int32_t> words) {
    auto& usb = Usb();
    uint8_t count = 0;
    for (int32_t w : words) {
        usb.SpiWriteWords[++count] = w;
    }
    SpiTransfer(count);
    return usb.CurrentAdapter.Present;
}

int32_t ReceivedCode(int word) {
    return Usb().SpiReadWords[static_cast<size_t>(word)] & words::kCodeMask;
}

// The parallel-port transfers send the channel address as data-line values.
void AddressChannel(int ch) {
    auto& acq = Acquisition();
    acq.ChanAddrLow = (ch & 1) ? lines::kData : 0;
    acq.ChanAddrHigh = (ch & 2) ? lines::kData : 0;
}

// The model-3 board: the control register picks the input and carries the self-test, so it
// is loaded before every conversion, with the self-test lines as the boxes or the test set
// them.
int32_t ReadMultiplexed() {
    const auto& acq = Acquisition();
    int selfTest = 0;
    if (acq.SelfTestPosBit > 0) {
        selfTest = 1;
    }
    if (acq.SelfTestNegBit > 0) {
        selfTest = -1;
    }
    std::string input;
    switch (Acquisition().ChannelIndex) {
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
    AddressChannel(ch);

    const SensorModel* model = ChosenModel();
    if (model == nullptr) {
        return 0;
    }
    switch (Interface().InterfaceCode) {
    case kParallelInterface:
        switch (model->portPath) {
        case PortPath::AccelConverter:
            return PortReadAccel();
        case PortPath::Multiplexed:
            return ReadMultiplexed();
        case PortPath::GyroConverter:
            return PortReadGyro();
        }
        break;
    case kUsbInterface:
        return (model->kind == SensorKind::Accelerometer ? UsbReadAccel() : UsbReadGyro())
               << (model->codeBits - kAdapterCodeBits);
    default:
        break;
    }
    return 0;
}

int32_t UsbReadGyro() {
    // Each answer comes one word late.
    using namespace words;
    const bool answered =
        Transfer({GyroWord(kGyroRate), GyroWord(kGyroTemperature), GyroWord(kGyroInput1),
                  GyroWord(kGyroInput2), GyroWord(kGyroRate)});
    int word = 5;
    if (Acquisition().ChannelIndex == 0) {
        word = 2;
    } else if (Acquisition().ChannelIndex == 2) {
        word = 4;
    }
    // Words never received would read as -272.67 degrees.
    if (answered) {
        Acquisition().Temperature = GyroTemperature(ReceivedCode(3));
    }
    return ReceivedCode(word);
}

int32_t UsbReadAccel() {
    using namespace words;
    const auto& acq = Acquisition();
    const bool pd = acq.PowerDown > 0;
    Usb().SpiChannel = adapter::kConverterChannel;
    Transfer({kAccelAdapterSetup | AccelWord(0, pd), kAccelAdapterSetup | AccelWord(1, pd),
              AccelWord(0, pd)});
    return ReceivedCode(acq.ChannelIndex == 0 ? 2 : 3);
}

void UsbReadAccelTemp() {
    Usb().SpiChannel = adapter::kTempSensorChannel;
    if (!Transfer({0})) {
        return;
    }
    // Quarter degrees from bit 5 up; above 255 the count is negative.
    auto v = RoundToEven(Usb().SpiReadWords[1] / static_cast<double>(1 << words::kTempShift));
    if (v > 255) {
        v -= 512;
    }
    Acquisition().Temperature = static_cast<float>(v * 0.25);
}

float ReadTemperature() {
    auto& acq = Acquisition();
    const SensorModel* model = ChosenModel();
    const int16_t interfaceCode = Interface().InterfaceCode;
    bool read = true;
    if (interfaceCode == kUsbInterface && model != nullptr) {
        // The adapter reads model 3 through the same converter words as models 4 and 5.
        if (model->kind == SensorKind::Gyroscope) {
            UsbReadGyro();
        } else {
            UsbReadAccelTemp();
        }
        read = Usb().CurrentAdapter.Present;
    } else if (interfaceCode == kParallelInterface) {
        if (model != nullptr && model->portPath == PortPath::GyroConverter) {
            // The first transfer selects the temperature channel, the second converts it.
            AddressChannel(words::kGyroTemperature);
            PortReadGyro();
            acq.Temperature = GyroTemperature(PortReadGyro() & words::kCodeMask);
        } else if (model != nullptr && model->portPath == PortPath::AccelConverter) {
            PortReadAccelTemp();
        }
        // Model 3 is told by the device box, as its multiplexer always was.
        const SensorModel* shown = FindSensorModel(mdiAnalyzer().txtDevice.text);
        if (shown != nullptr && shown->portPath == PortPath::Multiplexed) {
            std::string input = "Temper";
            SetMuxChannel(input, 0);
            const double code = readAdc();
            acq.Temperature = static_cast<float>(code * 0.033908420138 - 273.15 + 25);
        }
    }
    // An adapter that did not answer gave no temperature to show.
    if (read) {
        frmData().lblTemp.caption = Format(acq.Temperature, "0.00");
    }
    // Restores the channel (and model 3's multiplexer) and primes the late converters.
    ReadChannel(acq.ChannelIndex);
    return acq.Temperature;
}

int32_t ConverterFullScaleCode() {
    const SensorModel* model = ChosenModel();
    const int16_t interfaceCode = Interface().InterfaceCode;
    if (model == nullptr || interfaceCode == kNoInterface) {
        return words::kCodeMask;
    }
    const int bits = interfaceCode == kUsbInterface ? kAdapterCodeBits : model->codeBits;
    return ((1 << bits) - 1) << (model->codeBits - bits);
}
