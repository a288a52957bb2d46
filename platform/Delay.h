// Calibrated busy-wait: waits far shorter and more even than the system timer gives.
#pragma once

#include <cstdint>

// Measures how many empty-loop iterations take 10 microseconds (DelayLoopCount) and the
// time of the shortest wait (MinimumDelayMs), over about 1.7 times seconds: the windows take
// 3 s at start-up, a command-line run less.
void CalibrateDelay(double seconds = 3.0);

// Busy-waits ms milliseconds: below 0.1 ms as counted 0.01 ms passes, from 0.1 ms on until
// the clock says the time has passed (spinning those passes meanwhile); a request at or below
// MinimumDelayMs runs the fixed 40-iteration minimum loop. Never yields to the user interface.
void DelayMs(float ms);

// The pause between samples: split into chunks of about 10 ms, with pending user-interface
// events processed before each chunk, so Stop and menus stay live during long pauses. Ends
// at the chunk in which stopRequested (Stop, Exit or a terminating signal, set by the events)
// holds.
void WaitLoopDelay(float loopDelayMs, const bool& stopRequested);

struct DelayState {
    int32_t DelayLoopCount = 200; // empty-loop iterations in 10 microseconds
    bool DelayCalibrated = false;
    float MinimumDelayMs = 0.0f;
};
DelayState& DelayCalibration();
