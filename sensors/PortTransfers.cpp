#include "sensors/PortTransfers.h"

#include "interfaces/Interface.h"
#include "platform/Delay.h"
#include "platform/Frontend.h"
#include "platform/ParallelPortLines.h"
#include "platform/PortIo.h"
#include "sensors/Acquisition.h"

#include <array>

namespace {

using namespace lines;

// The shortest wait sets the speed of the clock.
void Wait() { DelayMs(0); }

void WriteData(int value) { vbOut(Interface().PortAddress, static_cast<int16_t>(value)); }

// The received bit: the sensor pulls its status line low for a 1.
int16_t ReadBit() {
    const int16_t status = vbInp(static_cast<int16_t>(Interface().PortAddress + 1));
    return (status & kStatusData) ? 0 : 1;
}

} // namespace

int32_t PortReadGyro() {
    if (Interface().InterfaceCode == 0) {
        return 0;
    }
    const int S = Acquisition().SelfTestNegBit | Acquisition().SelfTestPosBit;
    // The control word, least significant bit first: write, channel in bits 11-10, ...
    const int D = kData;
    std::array<int, 16> T{
        D, 0, D, 0, D, 0, 0, 0, D, D, Acquisition().ChanAddrLow, Acquisition().ChanAddrHigh,
        0, 0, 0, D};

    WriteData(kGyroMask - (S | kSelect | kClock));
    Wait();
    WriteData(kGyroMask - (S | kClock));
    Wait();
    for (int i = 15; i >= 0; --i) {
        WriteData(kGyroMask - ((T[i] | S) + kClock));
        Wait();
        WriteData(kGyroMask - (T[i] | S));
        Wait();
        Acquisition().SpiBits[i] = ReadBit();
        Wait();
    }
    WriteData(kGyroMask - (S | kSelect | kClock));
    DelayMs(0.1f);

    int32_t result = 0;
    for (int k = 0; k <= 11; ++k) {
        result += Acquisition().SpiBits[k + 1] << k;
    }
    Ui().DoEvents();
    return result;
}

int32_t PortReadAccel() {
    if (Interface().InterfaceCode == 0) {
        return 0;
    }
    const int P = Acquisition().SelfTestPosBit;
    // The control word, most significant bit first: start, axis in bit 11, power-down in 8.
    const int D = kData;
    std::array<int, 16> T{
        D, 0, 0, 0, Acquisition().ChanAddrLow, 0, 0, Acquisition().PowerDown, D, 0, 0, 0,
        0, 0, 0, 0};

    WriteData(kAccelMask - (P | kLine5 | kClock | kSelect));
    Wait();
    WriteData(kAccelMask - (P | kLine5 | kClock));
    Wait();
    for (int i = 0; i <= 15; ++i) {
        WriteData(kAccelMask - (T[i] | P | kLine5));
        Wait();
        WriteData(kAccelMask - (T[i] | P | kLine5 | kClock));
        Wait();
        Acquisition().SpiBits[15 - i] = ReadBit();
    }
    WriteData(kAccelMask - (P + kLine5 + kSelect));
    Wait();

    int32_t result = 0;
    for (int k = 0; k <= 11; ++k) {
        result += Acquisition().SpiBits[k] << k;
    }
    return result;
}

void PortReadAccelTemp() {
    if (Interface().InterfaceCode == 0) {
        return;
    }
    const int P = Acquisition().SelfTestPosBit;

    // The temperature sensor is selected while line 5 is low at the board.
    WriteData(kAccelMask - (P | kLine5 | kClock | kSelect));
    Wait();
    WriteData(kAccelMask - (P | kClock | kSelect));
    DelayMs(0.5f);
    for (int i = 1; i <= 16; ++i) {
        WriteData(kAccelMask - (P | kSelect));
        Wait();
        WriteData(kAccelMask - ((P | kSelect) + kClock));
        Wait();
        Acquisition().SpiBits[i] = ReadBit();
    }
    WriteData(kAccelMask - (P | kLine5 | kClock | kSelect));
    Wait();

    int v = 0;
    for (int k = 0; k <= 8; ++k) {
        v += Acquisition().SpiBits[11 - k] << k;
    }
    if (Acquisition().SpiBits[2] == 1) {
        v -= 512;
    }
    Acquisition().Temperature = static_cast<float>(v * 0.25);
}
