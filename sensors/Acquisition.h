// The acquisition engine that sweeps, the self-test and the log passes share: a run of
// samples through a per-sample step, with the pause, the stop and the measured period, feeding
// the listeners the caller attaches. Also the acquisition's part of the application state.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Samples 1..65540 fit the buffers, whatever length is asked for.
inline constexpr int32_t kMaxSampleIndex = 65540;

struct AcquisitionState {
    bool StopRequested = true;
    // Stop clicks so far: a run of passes ends on a click even if a pass began after it and
    // cleared StopRequested.
    uint32_t StopClicks = 0;
    bool ContinuousMode = false;
    int16_t ChannelIndex = 0;
    int16_t ChanAddrLow = 0; // data-line values of the channel address on the parallel port
    int16_t ChanAddrHigh = 0;
    int16_t SelfTestNegBit = 0;
    int16_t SelfTestPosBit = 0;
    int16_t PowerDown = 0;
    std::array<int16_t, 17> SpiBits{};
    int32_t SampleIndex = 0;
    std::vector<int32_t> RawCodes = std::vector<int32_t>(kMaxSampleIndex + 1); // sample k at k
    std::vector<float> Samples = std::vector<float>(kMaxSampleIndex + 1);      // at k - 1
    float Temperature = 0.0f;
    float LoopDelayMs = 0.0f;
    float SampleRateHz = 0.0f;
    float SamplePeriod = 0.0f;
    int32_t SweepLength = 2048;
    int32_t SamplesTaken = 0;
    // Pacing: sample k at the clock's deadline t0 + k / PaceHz; 0 leaves the loop's own pace.
    double PaceHz = 0;
    // Deadlines the last paced run missed (each such sample was taken at once, on the grid).
    int64_t DeadlinesMissed = 0;
    bool Ending = false; // the program is closing: even a self-test stops
};
AcquisitionState& Acquisition();

struct AcquisitionStart {
    // Checked only when nothing runs: the caller's own conditions (choices made, port open).
    std::function<bool()> ready;
    // The commands that start a run, greyed out while it lasts and enabled after.
    std::function<void(bool)> startsEnabled;
};

// One acquisition at a time: a second would share the buffers and the lines. Held for as
// long as a run lasts; empty when the run could not start, saying why.
class AcquisitionGuard {
public:
    AcquisitionGuard(const AcquisitionGuard&) = delete;
    AcquisitionGuard& operator=(const AcquisitionGuard&) = delete;
    ~AcquisitionGuard();
    explicit operator bool() const { return held_; }
    // Why the run could not start; empty when it holds the acquisition.
    const std::string& Refusal() const { return refusal_; }

private:
    friend AcquisitionGuard TryStartAcquisition(const AcquisitionStart& start);
    explicit AcquisitionGuard(std::string refusal);
    explicit AcquisitionGuard(std::function<void(bool)> startsEnabled);
    bool held_ = false;
    std::string refusal_;
    std::function<void(bool)> startsEnabled_;
};

// The guard of a new acquisition, or an empty one when one runs or the start is not ready.
AcquisitionGuard TryStartAcquisition(const AcquisitionStart& start);
// True while a sweep, a log or a self-test runs.
bool AcquisitionRunning();

// Runs a wait that holds everything, such as a modal dialog: a running acquisition ends, and
// the time the wait takes is not counted in its sample period.
void WhileHeld(const std::function<void()>& wait);

// The USB adapter is the interface and a transfer to it has failed.
bool AdapterLost();

// One sample of a run: the converter's code and its value in the channel's units.
struct AcquiredSample {
    int32_t code = 0;
    float value = 0.0f;
    double time = 0; // seconds from the run's first sample (its deadline when paced)
};

// What a run keeps of each sample: the value at k - 1 and the code at k for sample k.
enum class SampleKeeping { CodesAndValues, ValuesOnly, Nothing };

struct AcquisitionEnd {
    bool completed = false; // every sample was taken
};

// What a run feeds as it goes; any part may be empty.
struct AcquisitionListener {
    // Before the first sample, before the buffers are reset.
    std::function<void()> start;
    // Before the sample is stored. false: it could not be kept (its record failed), and the
    // run ends as stopped without it.
    std::function<bool(const AcquiredSample&)> record;
    // After it is stored and events have been let in.
    std::function<void(const AcquiredSample&)> sample;
    // After the sample period is measured.
    std::function<void(const AcquisitionEnd&)> end;
};

struct AcquisitionRun {
    // Takes one sample; nothing when there was none to take (a failed transfer): the run ends
    // as stopped.
    std::function<std::optional<AcquiredSample>()> takeSample;
    SampleKeeping keep = SampleKeeping::CodesAndValues;
    bool pause = true;         // the read delay between samples, with events during it
    bool paced = true;         // PaceHz applies (the self-test keeps its own pace)
    bool stoppable = true;     // Stop and a lost adapter end the run
    double minimumSeconds = 0; // the elapsed time counts as at least this
    // Samples to take; 0: SweepLength (at most the buffers'). More than the buffers hold keeps
    // nothing (SampleKeeping::Nothing), for the listeners to stream.
    int64_t samples = 0;
    std::vector<AcquisitionListener> listeners;
};

// Takes SweepLength samples (at most the buffers'), from SampleIndex 0 with the stop
// cleared, storing each and feeding the listeners, then measures the sample period.
// True when every sample was taken.
bool RunAcquisition(const AcquisitionRun& run);

// Clears the stop and runs pass, then again while again() holds and no Stop has come since.
void RepeatUntilStop(const std::function<void()>& pass, const std::function<bool()>& again);
