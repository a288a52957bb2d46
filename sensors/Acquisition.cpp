#include "sensors/Acquisition.h"

#include "interfaces/Interface.h"
#include "interfaces/UsbSpiDrivers.h"
#include "platform/Clock.h"
#include "platform/Delay.h"
#include "platform/Frontend.h"

#include <algorithm>
#include <utility>

namespace {

bool running = false;

// A paced sample taken later than this fraction of the period after its deadline missed it.
constexpr double kLateFraction = 0.1;

void StoreSample(AcquisitionState& acq, SampleKeeping keep, const AcquiredSample& sample) {
    if (keep != SampleKeeping::Nothing) {
        acq.Samples[static_cast<size_t>(acq.SampleIndex)] = sample.value;
    }
    ++acq.SampleIndex;
    acq.SamplesTaken = acq.SampleIndex;
    if (keep == SampleKeeping::CodesAndValues) {
        acq.RawCodes[static_cast<size_t>(acq.SampleIndex)] = sample.code;
    }
}

bool Recorded(const AcquisitionRun& run, const AcquiredSample& sample) {
    return std::all_of(
        run.listeners.begin(), run.listeners.end(),
        [&sample](const AcquisitionListener& l) { return !l.record || l.record(sample); });
}

} // namespace

AcquisitionGuard::AcquisitionGuard(std::string refusal) : refusal_(std::move(refusal)) {}

AcquisitionGuard::AcquisitionGuard(std::function<void(bool)> startsEnabled)
    : held_(true), startsEnabled_(std::move(startsEnabled)) {
    running = true;
    if (startsEnabled_) {
        startsEnabled_(false);
    }
}

AcquisitionGuard::~AcquisitionGuard() {
    if (!held_) {
        return;
    }
    running = false;
    if (startsEnabled_) {
        startsEnabled_(true);
    }
}

AcquisitionGuard TryStartAcquisition(const AcquisitionStart& start) {
    if (running) {
        return AcquisitionGuard(std::string("A sweep, a log or a self-test is running."));
    }
    if (start.ready && !start.ready()) {
        return AcquisitionGuard(std::string("The interface, device or read delay is not ready."));
    }
    FinishDelayCalibration();
    return AcquisitionGuard(start.startsEnabled);
}

bool AcquisitionRunning() { return running; }

void WhileHeld(const std::function<void()>& wait) {
    if (AcquisitionRunning()) {
        Acquisition().StopRequested = true;
    }
    const HeldTime held;
    wait();
}

bool AdapterLost() {
    return Interface().InterfaceCode == kUsbInterface && !Usb().CurrentAdapter.Present;
}

bool RunAcquisition(const AcquisitionRun& run) {
    for (const auto& listener : run.listeners) {
        if (listener.start) {
            listener.start();
        }
    }
    auto& acq = Acquisition();
    acq.SampleIndex = 0;
    acq.StopRequested = false;
    acq.DeadlinesMissed = 0;
    const double heldBefore = HeldSeconds();
    const int64_t wanted =
        run.samples > 0 ? run.samples : std::clamp<int64_t>(acq.SweepLength, 0, kMaxSampleIndex);
    // Beyond the buffers nothing is kept, and the index stays at their end.
    const SampleKeeping keep = wanted > kMaxSampleIndex ? SampleKeeping::Nothing : run.keep;
    const double pace = run.paced && acq.PaceHz > 0 ? acq.PaceHz : 0.0;

    bool completed = true;
    Clock& clock = SystemClock();
    const double t0 = clock.Now();
    // The period ends with the last sample taken: a transfer that failed, however long it
    // took to fail, gave no sample.
    double sampling = 0;
    int64_t count = 0;
    for (int64_t k = 0; k < wanted; ++k) {
        if (pace > 0) {
            // On the grid from the first sample: a late one does not move the ones after it.
            const double deadline = t0 + static_cast<double>(k) / pace;
            if (clock.Now() > deadline + kLateFraction / pace) {
                ++acq.DeadlinesMissed;
            } else {
                WaitForDeadline(deadline, acq.StopRequested);
                if (acq.StopRequested && run.stoppable) {
                    completed = false;
                    break;
                }
            }
        }
        const double taken = clock.Now() - t0;
        std::optional<AcquiredSample> sample = run.takeSample();
        if (sample) {
            sample->time = taken;
        }
        if (!sample || !Recorded(run, *sample)) {
            completed = false;
            acq.StopRequested = true;
            break;
        }
        ++count;
        if (acq.SampleIndex < kMaxSampleIndex) {
            StoreSample(acq, keep, *sample);
        }
        Ui().DoEvents();
        for (const auto& listener : run.listeners) {
            if (listener.sample) {
                listener.sample(*sample);
            }
        }
        if (run.pause) {
            WaitLoopDelay(acq.LoopDelayMs, acq.StopRequested);
        }
        sampling = clock.Now() - t0 - (HeldSeconds() - heldBefore);
        if (acq.Ending) {
            completed = false;
            break;
        }
        if (!run.stoppable) {
            continue;
        }
        if (AdapterLost()) {
            acq.StopRequested = true;
        }
        if (acq.StopRequested) {
            completed = false;
            break;
        }
    }

    // A clock that did not advance gives no period; 0 reads as "not measured".
    const double elapsed = std::max(sampling, run.minimumSeconds);
    if (elapsed > 0.0 && count > 0) {
        acq.SamplePeriod = static_cast<float>(elapsed / static_cast<double>(count));
        acq.SampleRateHz = 1.0f / acq.SamplePeriod;
    } else {
        acq.SamplePeriod = 0.0f;
        acq.SampleRateHz = 0.0f;
    }
    const AcquisitionEnd end{.completed = completed};
    for (const auto& listener : run.listeners) {
        if (listener.end) {
            listener.end(end);
        }
    }
    return completed;
}

void RepeatUntilStop(const std::function<void()>& pass, const std::function<bool()>& again) {
    auto& acq = Acquisition();
    acq.StopRequested = false;
    const uint32_t clicks = acq.StopClicks;
    do {
        pass();
    } while (again() && !acq.StopRequested && acq.StopClicks == clicks);
}
