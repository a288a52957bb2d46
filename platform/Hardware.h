// What the core tells whatever stands behind the interfaces. Real hardware needs none of it;
// the simulated boards follow the model chosen and time their signal by the sweep length.
#pragma once

#include <cstdint>
#include <string>

class HardwareEvents {
public:
    virtual ~HardwareEvents() = default;
    virtual void ModelChosen(const std::string& deviceName) { (void)deviceName; }
    virtual void SweepLengthChanged(int32_t samples) { (void)samples; }
};

// The events go here from now on; the caller keeps ownership. nullptr: nobody listens.
void InstallHardwareEvents(HardwareEvents* events);
HardwareEvents& Hardware();
