#include "sensors/ControlLines.h"

#include "interfaces/Interface.h"
#include "interfaces/UsbSpiDrivers.h"
#include "platform/AdapterCommands.h"
#include "platform/ParallelPortLines.h"
#include "sensors/Acquisition.h"

namespace {

void SendStaticBits() {
    uint8_t bits = static_cast<uint8_t>(Acquisition().SelfTestNegBit +
                                        Acquisition().SelfTestPosBit + adapter::kStaticIdle);
    SetSpiStaticBits(bits);
}

} // namespace

void SetSelfTestPos(int16_t on) {
    Acquisition().SelfTestPosBit = 0;
    if (on > 0) {
        // The same bit on the port's data lines and in the adapter's static bits.
        static_assert(lines::kSelfTestPos == adapter::kStaticSelfTestPos);
        Acquisition().SelfTestPosBit = lines::kSelfTestPos;
        if (Interface().InterfaceCode == 1) {
            return;
        }
    }
    if (Interface().InterfaceCode == 2) {
        SendStaticBits();
    }
}

void SetSelfTestNeg(int16_t on) {
    Acquisition().SelfTestNegBit = 0;
    if (on > 0) {
        if (Interface().InterfaceCode == 1) {
            Acquisition().SelfTestNegBit = lines::kSelfTestNeg;
            return;
        }
        Acquisition().SelfTestNegBit = adapter::kStaticSelfTestNeg;
    }
    if (Interface().InterfaceCode == 2) {
        SendStaticBits();
    }
}
