// Time source and the empty counting loop that the calibrated busy-wait spends time in.
// Both sit behind one interface so that tests can run the calibration on a fake clock
// whose time advances with the iterations spun.
#pragma once

#include <cstdint>

class Clock {
public:
    virtual ~Clock() = default;
    // Seconds from an arbitrary origin; monotonic, high resolution.
    virtual double Now() = 0;
    // Runs an empty loop of the given number of iterations.
    virtual void Spin(int32_t iterations) = 0;
};

Clock& SystemClock();
// Installs the clock used by SystemClock(); nullptr restores the real one.
void InstallClock(Clock* clock);
