// The acquisition engine that sweeps, the self-test and the log passes share: a run of
// samples through a per-sample step, with the pause, the stop, the measured period and the
// statistics around it. Also the acquisition's part of the application state.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
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
    bool Ending = false; // the program is closing: even a self-test stops
};
AcquisitionState& Acquisition();

// One acquisition at a time: a second would share the buffers and the lines. Held for as
// long as a run lasts; the commands that start one are greyed out meanwhile.
class AcquisitionGuard {
public:
    AcquisitionGuard();
    ~AcquisitionGuard();
    AcquisitionGuard(const AcquisitionGuard&) = delete;
    AcquisitionGuard& operator=(const AcquisitionGuard&) = delete;
};
// True while a sweep, a log or a self-test runs.
bool AcquisitionRunning();

// Runs a wait that holds everything, such as a modal dialog: a running acquisition ends, and
// the time the wait takes is not counted in its sample period.
void WhileHeld(const std::function<void()>& wait);

// The USB adapter is the interface and a transfer to it has failed.
bool AdapterLost();
// After a run: a lost adapter leaves no interface chosen.
void DropLostAdapter();

struct AcquisitionRun {
    // Takes one sample: reads, converts, stores it (advancing SampleIndex) and plots it. false
    // when there was no sample to take (a failed transfer): the run ends as stopped.
    std::function<bool()> takeSample;
    bool pause = true;         // the read delay between samples, with events during it
    bool stoppable = true;     // Stop and a lost adapter end the run
    double minimumSeconds = 0; // the elapsed time counts as at least this
    bool analyse = true;       // statistics and spectrum of the samples taken
    // After the statistics, before the spectrum.
    std::function<void()> afterStatistics;
};

// Takes SweepLength samples (at most the buffers'), from SampleIndex 0 with the stop
// cleared, then measures the sample period and shows it, and computes the statistics and,
// when it is on and the run completed, the spectrum.
// True when every sample was taken.
bool RunAcquisition(const AcquisitionRun& run);
