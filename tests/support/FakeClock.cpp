#include "tests/support/FakeClock.h"

FakeClock::FakeClock(double secondsPerIteration) : secondsPerIteration(secondsPerIteration) {
    InstallClock(this);
}

FakeClock::~FakeClock() { InstallClock(nullptr); }

double FakeClock::Now() {
    now += stepPerReading;
    return now;
}

void FakeClock::Spin(int32_t iterations) {
    ++spinCalls;
    iterationsSpun += iterations;
    now += iterations * secondsPerIteration;
    if (recordSpins) {
        spins.push_back(iterations);
    }
}
