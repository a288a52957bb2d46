#include "sensors/PortTransfers.h"

#include "app/Analyzer.h"
#include "app/Delay.h"
#include "platform/Frontend.h"
#include "platform/PortIo.h"

#include <array>

namespace {

// The shortest wait sets the speed of the clock.
void Wait() { DelayMs(0); }

void WriteData(int value) { vbOut(App().PortAddress, static_cast<int16_t>(value)); }

// The received bit: the sensor pulls status bit 6 low for a 1.
int16_t ReadBit() {
    const int16_t status = vbInp(static_cast<int16_t>(App().PortAddress + 1));
    return static_cast<int16_t>(1 - ((status >> 6) & 1));
}

} // namespace

int32_t PortReadGyro() {
    auto& app = App();
    if (app.InterfaceCode == 0) {
        return 0;
    }
    const int S = app.SelfTestNegBit | app.SelfTestPosBit;
    std::array<int, 16> T{4, 0, 4, 0, 4, 0, 0, 0, 4, 4, app.ChanAddrLow, app.ChanAddrHigh,
                          0, 0, 0, 4};

    WriteData(63 - (S | 3));
    Wait();
    WriteData(63 - (S | 2));
    Wait();
    for (int i = 15; i >= 0; --i) {
        WriteData(63 - ((T[i] | S) + 2));
        Wait();
        WriteData(63 - (T[i] | S));
        Wait();
        app.SpiBits[i] = ReadBit();
        Wait();
    }
    WriteData(63 - (S | 3));
    DelayMs(0.1f);

    int32_t result = 0;
    for (int k = 0; k <= 11; ++k) {
        result += app.SpiBits[k + 1] << k;
    }
    Ui().DoEvents();
    return result;
}

int32_t PortReadAccel() {
    auto& app = App();
    if (app.InterfaceCode == 0) {
        return 0;
    }
    const int P = app.SelfTestPosBit;
    std::array<int, 16> T{4, 0, 0, 0, app.ChanAddrLow, 0, 0, app.PowerDown, 4, 0, 0, 0, 0, 0, 0, 0};

    WriteData(255 - (P | 35));
    Wait();
    WriteData(255 - (P | 34));
    Wait();
    for (int i = 0; i <= 15; ++i) {
        WriteData(255 - (T[i] | P | 32));
        Wait();
        WriteData(255 - (T[i] | P | 34));
        Wait();
        app.SpiBits[15 - i] = ReadBit();
    }
    WriteData(255 - (P + 33));
    Wait();

    int32_t result = 0;
    for (int k = 0; k <= 11; ++k) {
        result += app.SpiBits[k] << k;
    }
    return result;
}

void PortReadAccelTemp() {
    auto& app = App();
    if (app.InterfaceCode == 0) {
        return;
    }
    const int P = app.SelfTestPosBit;

    WriteData(255 - (P | 35));
    Wait();
    WriteData(255 - (P | 3));
    DelayMs(0.5f);
    for (int i = 1; i <= 16; ++i) {
        WriteData(255 - (P | 1));
        Wait();
        WriteData(255 - ((P | 1) + 2));
        Wait();
        app.SpiBits[i] = ReadBit();
    }
    WriteData(255 - (P | 35));
    Wait();

    int v = 0;
    for (int k = 0; k <= 8; ++k) {
        v += app.SpiBits[11 - k] << k;
    }
    if (app.SpiBits[2] == 1) {
        v -= 512;
    }
    app.Temperature = static_cast<float>(v * 0.25);
}
