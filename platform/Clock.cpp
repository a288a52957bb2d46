#include "platform/Clock.h"

#include <chrono>

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
};

SteadyClock steadyClock;
Clock* installed = &steadyClock;

int heldDepth = 0;
double heldSince = 0;
double heldTotal = 0;

} // namespace

Clock& SystemClock() { return *installed; }

void InstallClock(Clock* clock) { installed = clock != nullptr ? clock : &steadyClock; }

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
