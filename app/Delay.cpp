#include "app/Delay.h"

#include "app/Analyzer.h"
#include "app/TextFormat.h"
#include "platform/Clock.h"
#include "platform/Frontend.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

constexpr int32_t kStartCount = 200;
constexpr int32_t kMinimumLoop = 40;
constexpr double kSliceMs = 0.01;

// Counts stay within the 32-bit range on machines too fast for it.
int32_t CappedCount(double count) {
    const double capped = std::clamp(count, 1.0, double(std::numeric_limits<int32_t>::max()));
    return static_cast<int32_t>(RoundToEven(capped));
}

} // namespace

void DelayMs(float ms) {
    auto& app = App();
    Clock& clock = SystemClock();
    if (ms <= app.MinimumDelayMs) {
        clock.Spin(kMinimumLoop);
        return;
    }
    int64_t n = RoundToEven(ms / kSliceMs);
    if (n < 1) {
        n = 1;
    }
    if (!app.DelayCalibrated) {
        CalibrateDelay();
    }
    const int32_t count = app.DelayLoopCount;
    for (int64_t pass = 0; pass < n; ++pass) {
        clock.Spin(count);
    }
}

void CalibrateDelay() {
    auto& app = App();
    Clock& clock = SystemClock();
    app.DelayCalibrated = true;
    app.DelayLoopCount = kStartCount;
    Ui().SetBusy(true);

    // Coarse: double the count until an 800 ms request really takes half a second.
    double elapsed = 0.0;
    for (int pass = 0; pass <= 16; ++pass) {
        if (elapsed >= 0.5) {
            break;
        }
        app.DelayLoopCount = CappedCount(2.0 * app.DelayLoopCount);
        const double t0 = clock.Now();
        DelayMs(800);
        elapsed = clock.Now() - t0;
    }
    elapsed = std::max(elapsed, 0.0005);
    app.DelayLoopCount = CappedCount(0.8 / elapsed * app.DelayLoopCount);

    // Fine: one 3 s request.
    do {
        const double t0 = clock.Now();
        DelayMs(3000);
        elapsed = clock.Now() - t0;
    } while (elapsed < 0);
    elapsed = std::max(elapsed, 0.01);
    app.DelayLoopCount = CappedCount(3.0 / elapsed * app.DelayLoopCount);
    app.MinimumDelayMs = static_cast<float>(double(kMinimumLoop) / app.DelayLoopCount * kSliceMs);

    Ui().SetBusy(false);
}

void WaitLoopDelay(float loopDelayMs) {
    int64_t chunks = RoundToEven(loopDelayMs / 10.0);
    if (chunks < 1) {
        chunks = 1;
    }
    const float chunkMs = static_cast<float>(loopDelayMs / chunks);
    for (int64_t i = 0; i < chunks; ++i) {
        Ui().DoEvents();
        // Stop, Exit and a terminating signal all arrive as a stop request.
        if (App().StopRequested) {
            return;
        }
        DelayMs(chunkMs);
    }
}
