#include "sensors/ControlLines.h"

#include "app/Analyzer.h"
#include "interfaces/UsbSpiDrivers.h"

namespace {

void SendStaticBits() {
    auto& app = App();
    uint8_t bits = static_cast<uint8_t>(app.SelfTestNegBit + app.SelfTestPosBit + 96);
    SetSpiStaticBits(bits);
}

} // namespace

void SetSelfTestPos(int16_t on) {
    auto& app = App();
    app.SelfTestPosBit = 0;
    if (on > 0) {
        app.SelfTestPosBit = 16;
        if (app.InterfaceCode == 1) {
            return;
        }
    }
    if (app.InterfaceCode == 2) {
        SendStaticBits();
    }
}

void SetSelfTestNeg(int16_t on) {
    auto& app = App();
    app.SelfTestNegBit = 0;
    if (on > 0) {
        if (app.InterfaceCode == 1) {
            app.SelfTestNegBit = 32;
            return;
        }
        app.SelfTestNegBit = 8;
    }
    if (app.InterfaceCode == 2) {
        SendStaticBits();
    }
}
