#include "platform/Delay.h"

#include "platform/Clock.h"
#include "platform/Frontend.h"
#include "platform/TextFormat.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

constexpr int32_t kStartCount = 200;
constexpr int32_t kMinimumLoop = 40;
constexpr double kSliceMs = 0.01;
constexpr float kDeadlineMs = 0.1f;

// Counts stay within the 32-bit range on machines too fast for it.
int32_t CappedCount(double count) {
    const double capped = std::clamp(count, 1.0, double(std::numeric_limits<int32_t>::max()));
    return static_cast<int32_t>(RoundToEven(capped));
}

} // namespace

namespace {

// The calibrated wait as counted passes of the 0.01 ms loop: what the calibration measures.
void SpinSlices(float ms) {
    int64_t n = RoundToEven(ms / kSliceMs);
    if (n < 1) {
        n = 1;
    }
    Clock& clock = SystemClock();
    const int32_t count = DelayCalibration().DelayLoopCount;
    for (int64_t pass = 0; pass < n; ++pass) {
        clock.Spin(count);
    }
}

} // namespace

void DelayMs(float ms) {
    Clock& clock = SystemClock();
    if (ms <= DelayCalibration().MinimumDelayMs) {
        clock.Spin(kMinimumLoop);
        return;
    }
    if (!DelayCalibration().DelayCalibrated) {
        CalibrateDelay();
    }
    // The shortest waits pace the parallel port's clock and stay loop counts. Longer ones end
    // on the clock: a count calibrated while the machine was busy would be too short later.
    if (ms < kDeadlineMs) {
        SpinSlices(ms);
        return;
    }
    // Within half a pass of the deadline is as near as passes can get.
    const double deadline = clock.Now() + (ms - kSliceMs / 2) / 1000.0;
    const int32_t count = DelayCalibration().DelayLoopCount;
    // A clock that stands still must not hold the program: a hundred times the calibrated
    // passes is the most a wait may spin.
    const double passes = std::max(1.0, 100.0 * ms / kSliceMs);
    for (double pass = 0; pass < passes; ++pass) {
        clock.Spin(count);
        if (clock.Now() >= deadline) {
            return;
        }
    }
}

void CalibrateDelay(double seconds) {
    Clock& clock = SystemClock();
    DelayCalibration().DelayCalibrated = true;
    DelayCalibration().DelayLoopCount = kStartCount;
    Ui().SetBusy(true);

    // Coarse: double the count until a request of 0.27 of the time (800 ms of 3 s) really
    // takes a sixth of it.
    const double coarse = seconds * 0.8 / 3.0;
    double elapsed = 0.0;
    for (int pass = 0; pass <= 16; ++pass) {
        if (elapsed >= seconds / 6.0) {
            break;
        }
        DelayCalibration().DelayLoopCount = CappedCount(2.0 * DelayCalibration().DelayLoopCount);
        const double t0 = clock.Now();
        SpinSlices(static_cast<float>(coarse * 1000.0));
        elapsed = clock.Now() - t0;
    }
    elapsed = std::max(elapsed, coarse / 1600.0);
    DelayCalibration().DelayLoopCount =
        CappedCount(coarse / elapsed * DelayCalibration().DelayLoopCount);

    // Fine: one request of the whole time.
    do {
        const double t0 = clock.Now();
        SpinSlices(static_cast<float>(seconds * 1000.0));
        elapsed = clock.Now() - t0;
    } while (elapsed < 0);
    elapsed = std::max(elapsed, seconds / 300.0);
    DelayCalibration().DelayLoopCount =
        CappedCount(seconds / elapsed * DelayCalibration().DelayLoopCount);
    DelayCalibration().MinimumDelayMs =
        static_cast<float>(double(kMinimumLoop) / DelayCalibration().DelayLoopCount * kSliceMs);

    Ui().SetBusy(false);
}

void WaitLoopDelay(float loopDelayMs, const bool& stopRequested) {
    int64_t chunks = RoundToEven(loopDelayMs / 10.0);
    if (chunks < 1) {
        chunks = 1;
    }
    const float chunkMs = static_cast<float>(loopDelayMs / chunks);
    for (int64_t i = 0; i < chunks; ++i) {
        Ui().DoEvents();
        if (stopRequested) {
            return;
        }
        DelayMs(chunkMs);
    }
}
