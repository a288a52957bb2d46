#include "platform/Clock.h"

#include <chrono>
#include <optional>
#include <thread>

namespace {

class SteadyClock final : public Clock {
public:
    double Now() override {
        using namespace std::chrono;
        return duration<double>(steady_clock::now().time_since_epoch()).count();
    }

    void Spin(int32_t iterations) override {
        // The empty asm makes the counter opaque to the optimiser, so the loop is
        // neither removed nor shortened, and each iteration costs the same.
        for (int32_t i = 0; i < iterations; ++i) {
            asm volatile("" : "+r"(i));
        }
    }

    // Sleeps through all but the last millisecond, which the system timer overshoots, and
    // spins that.
    void WaitUntil(double t) override {
        constexpr double kSpinSeconds = 0.001;
        const double now = Now();
        if (t - now > 2 * kSpinSeconds) {
            std::this_thread::sleep_for(std::chrono::duration<double>(t - now - kSpinSeconds));
        }
        while (Now() < t) {
        }
    }
};

SteadyClock steadyClock;
Clock* installed = &steadyClock;
std::optional<FastClock> fastClock;

int heldDepth = 0;
double heldSince = 0;
double heldTotal = 0;

} // namespace

Clock& SystemClock() { return *installed; }

void InstallClock(Clock* clock) { installed = clock != nullptr ? clock : &steadyClock; }

void Clock::WaitUntil(double t) {
    // A clock that stands still must not hold the program.
    for (int pass = 0; pass < 1000000 && Now() < t; ++pass) {
        Spin(1000);
    }
}

void UseFastTime(bool on) {
    if (on) {
        fastClock.emplace();
        InstallClock(&*fastClock);
    } else {
        InstallClock(nullptr);
        fastClock.reset();
    }
}

FastClock* FastTime() { return fastClock && installed == &*fastClock ? &*fastClock : nullptr; }

HeldTime::HeldTime() {
    if (heldDepth++ == 0) {
        heldSince = SystemClock().Now();
    }
}

HeldTime::~HeldTime() {
    if (--heldDepth == 0) {
        heldTotal += SystemClock().Now() - heldSince;
    }
}

double HeldSeconds() {
    return heldDepth > 0 ? heldTotal + SystemClock().Now() - heldSince : heldTotal;
}
