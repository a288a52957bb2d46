#include "sensors/PortTransfers.h"

#include "interfaces/Interface.h"
#include "platform/ConverterWords.h"
#include "platform/Delay.h"
#include "platform/Frontend.h"
#include "sensors/Acquisition.h"
#include "sensors/LineDriver.h"

namespace {

// The shortest wait sets the speed of the clock.
void Wait() { DelayMs(0); }

bool Bit(uint16_t word, int position) { return ((word >> position) & 1) != 0; }

// The channel the dispatcher addressed, from its data-line values.
int ChannelAddress() {
    const auto& acq = Acquisition();
    return (acq.ChanAddrLow != 0 ? 1 : 0) | (acq.ChanAddrHigh != 0 ? 2 : 0);
}

} // namespace

int32_t PortReadGyro() {
    if (Interface().InterfaceCode == 0) {
        return 0;
    }
    auto& acq = Acquisition();
    LineDriver wire(PortPath::GyroConverter);
    wire.Hold(acq.SelfTestNegBit | acq.SelfTestPosBit);
    const uint16_t word = words::GyroWord(ChannelAddress()) | words::kGyroPortSetup;

    wire.Set({.clock = true});
    Wait();
    wire.Set({.select = true, .clock = true});
    Wait();
    // Most significant bit first; the converter takes each bit and shifts its answer out on
    // the falling edge.
    for (int i = words::kWordBits - 1; i >= 0; --i) {
        wire.Set({.select = true, .clock = true, .data = Bit(word, i)});
        Wait();
        wire.Set({.select = true, .data = Bit(word, i)});
        Wait();
        acq.SpiBits[i] = wire.DataIn();
        Wait();
    }
    wire.Set({.clock = true});
    DelayMs(0.1f);

    int32_t result = 0;
    for (int k = 0; k < words::kCodeBits; ++k) {
        result += acq.SpiBits[k + 1] << k;
    }
    Ui().DoEvents();
    return result;
}

int32_t PortReadAccel() {
    if (Interface().InterfaceCode == 0) {
        return 0;
    }
    auto& acq = Acquisition();
    LineDriver wire(PortPath::AccelConverter);
    wire.Hold(acq.SelfTestPosBit);
    const uint16_t word =
        words::kAccelPortFrame | words::AccelWord(ChannelAddress() & 1, acq.PowerDown != 0);

    wire.Set({.clock = true});
    Wait();
    wire.Set({.select = true, .clock = true});
    Wait();
    // Most significant bit first, taken on the rising edge; the answer shifts on the falling one.
    for (int i = 0; i < words::kWordBits; ++i) {
        const bool bit = Bit(word, words::kWordBits - 1 - i);
        wire.Set({.select = true, .data = bit});
        Wait();
        wire.Set({.select = true, .clock = true, .data = bit});
        Wait();
        acq.SpiBits[words::kWordBits - 1 - i] = wire.DataIn();
    }
    wire.Set({});
    Wait();

    int32_t result = 0;
    for (int k = 0; k < words::kCodeBits; ++k) {
        result += acq.SpiBits[k] << k;
    }
    return result;
}

void PortReadAccelTemp() {
    if (Interface().InterfaceCode == 0) {
        return;
    }
    auto& acq = Acquisition();
    LineDriver wire(PortPath::AccelConverter);
    wire.Hold(acq.SelfTestPosBit);

    wire.Set({.clock = true});
    Wait();
    wire.Set({.clock = true, .tempSelect = true});
    DelayMs(0.5f);
    for (int i = 1; i <= words::kWordBits; ++i) {
        wire.Set({.tempSelect = true});
        Wait();
        wire.Set({.clock = true, .tempSelect = true});
        Wait();
        acq.SpiBits[i] = wire.DataIn();
    }
    wire.Set({.clock = true});
    Wait();

    // The count's sign comes at clock 2, then its other bits, most significant first.
    const int countBits = words::kTempBits - 1;
    int v = 0;
    for (int k = 0; k < countBits; ++k) {
        v += acq.SpiBits[2 + countBits - k] << k;
    }
    if (acq.SpiBits[2] == 1) {
        v -= 1 << countBits;
    }
    acq.Temperature = static_cast<float>(v * 0.25);
}
