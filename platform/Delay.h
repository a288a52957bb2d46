// Calibrated busy-wait: waits far shorter and more even than the system timer gives.
#pragma once

#include <cstdint>

// How long one probe of the calibration spins; a few of them make a calibration.
inline constexpr double kDelayProbeSeconds = 0.05;

// Measures how many empty-loop iterations take 10 microseconds (DelayLoopCount) and the
// time of the shortest wait (MinimumDelayMs), from probes of probeSeconds repeated until two
// in a row agree within 5 % (at most ten). Starts afresh.
void CalibrateDelay(double probeSeconds = kDelayProbeSeconds);
// One probe of the calibration, for callers that let events in between; true once the
// calibration is done (at once when it was).
bool CalibrateDelayStep(double probeSeconds = kDelayProbeSeconds);
// Starts afresh with probes of probeSeconds, run when FinishDelayCalibration is first called.
void PlanDelayCalibration(double probeSeconds);
// Runs the probes a calibration still needs, with the busy pointer: whatever takes data
// calls it first.
void FinishDelayCalibration();
// Until the next calibration, waits run uncalibrated.
void ForgetDelayCalibration();

// Busy-waits ms milliseconds: below 0.1 ms as counted 0.01 ms passes, from 0.1 ms on until
// the clock says the time has passed (spinning those passes meanwhile); a request at or below
// MinimumDelayMs runs the fixed 40-iteration minimum loop; a counted wait before the
// calibration is done finishes it first. Never yields to the user interface.
void DelayMs(float ms);

// The pause between samples: split into chunks of about 10 ms, with pending user-interface
// events processed before each chunk, so Stop and menus stay live during long pauses. Ends
// at the chunk in which stopRequested (Stop, Exit or a terminating signal, set by the events)
// holds.
void WaitLoopDelay(float loopDelayMs, const bool& stopRequested);
// The wait for a paced sample's deadline on SystemClock(): sleeping and then spinning, with
// events let in every 10 ms while more than that remains; ends early when stopRequested holds.
void WaitForDeadline(double deadline, const bool& stopRequested);

struct DelayState {
    int32_t DelayLoopCount = 200; // empty-loop iterations in 10 microseconds
    bool DelayCalibrated = false;
    float MinimumDelayMs = 0.0f;
    int32_t ProbedLoopCount = 0; // the last probe's count, while calibrating
    int32_t Probes = 0;
    double ProbeSeconds = kDelayProbeSeconds; // of the probes FinishDelayCalibration runs
};
DelayState& DelayCalibration();
