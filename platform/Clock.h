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

// Time the program spends waiting for the user (a message box, a modal window) holds it: a
// measured sample period leaves it out. Counted from the making of one to its end; held
// times inside another count once.
class HeldTime {
public:
    HeldTime();
    ~HeldTime();
    HeldTime(const HeldTime&) = delete;
    HeldTime& operator=(const HeldTime&) = delete;
};
// Seconds held so far, on SystemClock().
double HeldSeconds();
