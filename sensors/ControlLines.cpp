#include "sensors/ControlLines.h"

#include "app/Analyzer.h"
#include "interfaces/UsbSpiDrivers.h"
#include "platform/AdapterCommands.h"
#include "platform/ParallelPortLines.h"

namespace {

void SendStaticBits() {
    auto& app = App();
    uint8_t bits =
        static_cast<uint8_t>(app.SelfTestNegBit + app.SelfTestPosBit + adapter::kStaticIdle);
    SetSpiStaticBits(bits);
}

} // namespace

void SetSelfTestPos(int16_t on) {
    auto& app = App();
    app.SelfTestPosBit = 0;
    if (on > 0) {
        // The same bit on the port's data lines and in the adapter's static bits.
        static_assert(lines::kSelfTestPos == adapter::kStaticSelfTestPos);
        app.SelfTestPosBit = lines::kSelfTestPos;
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
            app.SelfTestNegBit = lines::kLine5;
            return;
        }
        app.SelfTestNegBit = adapter::kStaticSelfTestNeg;
    }
    if (app.InterfaceCode == 2) {
        SendStaticBits();
    }
}
