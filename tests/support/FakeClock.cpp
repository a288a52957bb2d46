#include "tests/support/FakeClock.h"

FakeClock::FakeClock(double secondsPerIteration) : secondsPerIteration(secondsPerIteration) {
    InstallClock(this);
}

FakeClock::~FakeClock() { InstallClock(nullptr); }

void FakeClock::Spin(int32_t iterations) {
    iterationsSpun += iterations;
    now += iterations * secondsPerIteration;
    if (recordSpins) {
        spins.push_back(iterations);
    }
}
