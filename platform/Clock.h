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
    // Returns once Now() has reached t (at once when it has).
    virtual void WaitUntil(double t);
    // True when waiting costs no real time (the fast clock): a wait that ends on the clock
    // jumps there rather than spinning.
    virtual bool Jumps() const { return false; }
};

Clock& SystemClock();
// Installs the clock used by SystemClock(); nullptr restores the real one.
void InstallClock(Clock* clock);

// Fast time for the simulated boards: time advances only by the board's conversions and by
// waits, as fast as the CPU allows, so that an hour's run costs seconds. Spinning takes no
// time on it.
class FastClock final : public Clock {
public:
    double Now() override { return now_; }
    void Spin(int32_t) override {}
    void WaitUntil(double t) override { now_ = t > now_ ? t : now_; }
    bool Jumps() const override { return true; }
    // A conversion of a board whose conversions are period apart: it ends no earlier than
    // period after the last one ended, nor before now.
    void Convert(double period) {
        const double end = lastConversion_ + period;
        now_ = end > now_ ? end : now_;
        lastConversion_ = now_;
    }

private:
    double now_ = 0;
    double lastConversion_ = 0;
};
// Installs a fresh fast clock as SystemClock() (on), or the real one back (off).
void UseFastTime(bool on);
// The installed fast clock, or nullptr when time is real (or another clock is installed).
FastClock* FastTime();

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
