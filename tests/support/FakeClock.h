// A clock for tests whose time advances only with the iterations spun, at a fixed cost
// per iteration, so the calibration runs in milliseconds and gives exact results.
#pragma once

#include "platform/Clock.h"

#include <cstdint>
#include <vector>

class FakeClock : public Clock {
public:
    explicit FakeClock(double secondsPerIteration = 1e-9)
        : secondsPerIteration(secondsPerIteration) {
        InstallClock(this);
    }
    ~FakeClock() override { InstallClock(nullptr); }

    double Now() override { return now; }
    void Spin(int32_t iterations) override {
        now += iterations * secondsPerIteration;
        if (recordSpins) {
            spins.push_back(iterations);
        }
    }

    double secondsPerIteration;
    double now = 1000.0;
    bool recordSpins = false;
    std::vector<int32_t> spins;
};
