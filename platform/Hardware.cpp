#include "platform/Hardware.h"

namespace {

HardwareEvents nobody;
HardwareEvents* installed = &nobody;

} // namespace

void InstallHardwareEvents(HardwareEvents* events) {
    installed = events != nullptr ? events : &nobody;
}

HardwareEvents& Hardware() { return *installed; }
