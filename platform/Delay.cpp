#include "platform/Delay.h"

#include "platform/Clock.h"
#include "platform/Frontend.h"
#include "platform/TextFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr int32_t kStartCount = 200;
constexpr int32_t kMinimumLoop = 40;
constexpr double kSliceMs = 0.01;
constexpr float kDeadlineMs = 0.1f;
constexpr int kMostProbes = 10;
constexpr double kUncalibratedSlack = 1000;

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
    // The shortest waits pace the parallel port's clock and stay loop counts: they need the
    // calibration, and the first of them finishes it.
    if (ms < kDeadlineMs) {
        FinishDelayCalibration();
        if (ms <= DelayCalibration().MinimumDelayMs) {
            clock.Spin(kMinimumLoop);
        } else {
            SpinSlices(ms);
        }
        return;
    }
    // Longer ones end on the clock: a count calibrated while the machine was busy would be
    // too short later. Within half a pass of the deadline is as near as passes can get.
    const double deadline = clock.Now() + (ms - kSliceMs / 2) / 1000.0;
    if (clock.Jumps()) {
        clock.WaitUntil(deadline);
        return;
    }
    const auto& d = DelayCalibration();
    const int32_t count = d.DelayLoopCount;
    // A clock that stands still must not hold the program: a hundred times the calibrated
    // passes is the most a wait may spin. Before the calibration a pass of the starting
    // count is far shorter than a slice on any machine.
    const double passes =
        std::max(1.0, 100.0 * ms / kSliceMs * (d.DelayCalibrated ? 1 : kUncalibratedSlack));
    for (double pass = 0; pass < passes; ++pass) {
        clock.Spin(count);
        if (clock.Now() >= deadline) {
            return;
        }
    }
}

bool CalibrateDelayStep(double probeSeconds) {
    auto& d = DelayCalibration();
    if (d.DelayCalibrated) {
        return true;
    }
    Clock& clock = SystemClock();
    const int32_t count = d.ProbedLoopCount > 0 ? d.ProbedLoopCount : kStartCount;
    // Passes of the 0.01 ms loop until the probe's time is up. A clock that stands still ends
    // the probe at a hundred times the passes the time would take.
    const double most = std::max(1.0, 100.0 * probeSeconds * 1000.0 / kSliceMs);
    const double t0 = clock.Now();
    double passes = 0;
    double elapsed = 0;
    do {
        clock.Spin(count);
        ++passes;
        elapsed = clock.Now() - t0;
    } while (elapsed < probeSeconds && passes < most);
    elapsed = std::max(elapsed, probeSeconds / most);
    const int32_t estimate = CappedCount(count * passes * (kSliceMs / 1000.0) / elapsed);

    // A probe that the machine interrupted disagrees with its neighbours: two in a row that
    // agree within 5 % give the count.
    const int32_t previous = d.ProbedLoopCount;
    d.ProbedLoopCount = estimate;
    ++d.Probes;
    const bool agreed = d.Probes > 1 && std::abs(double(estimate) - previous) <= 0.05 * previous;
    if (!agreed && d.Probes < kMostProbes) {
        return false;
    }
    d.DelayLoopCount = estimate;
    d.MinimumDelayMs = static_cast<float>(double(kMinimumLoop) / estimate * kSliceMs);
    d.DelayCalibrated = true;
    return true;
}

void FinishDelayCalibration() {
    const auto& d = DelayCalibration();
    if (d.DelayCalibrated) {
        return;
    }
    Ui().SetBusy(true);
    while (!CalibrateDelayStep(d.ProbeSeconds)) {
    }
    Ui().SetBusy(false);
}

void ForgetDelayCalibration() {
    auto& d = DelayCalibration();
    d.DelayCalibrated = false;
    d.ProbedLoopCount = 0;
    d.Probes = 0;
}

void PlanDelayCalibration(double probeSeconds) {
    ForgetDelayCalibration();
    DelayCalibration().ProbeSeconds = probeSeconds;
}

void CalibrateDelay(double probeSeconds) {
    PlanDelayCalibration(probeSeconds);
    FinishDelayCalibration();
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

void WaitForDeadline(double deadline, const bool& stopRequested) {
    constexpr double kEventsEvery = 0.01;
    Clock& clock = SystemClock();
    for (double now = clock.Now(); now < deadline; now = clock.Now()) {
        if (deadline - now <= kEventsEvery) {
            clock.WaitUntil(deadline);
            return;
        }
        Ui().DoEvents();
        if (stopRequested) {
            return;
        }
        clock.WaitUntil(now + kEventsEvery);
    }
}
