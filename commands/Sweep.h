// Acquisition runs: one sweep, continuous sweeps until Stop, and the temperature on demand.
#pragma once

#include "commands/CommandResult.h"
#include "sensors/Acquisition.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// True when an interface and a model are chosen and the read delay is a number, which it
// keeps within 0..60000 ms.
bool SetupOK();
// The guard of a sweep, log or self-test about to start: none while one runs or when SetupOK
// says no. The start commands are greyed out while it is held.
AcquisitionGuard StartAcquisition();
// What every run shows: the time-plot window at the start, the sample period at the end.
AcquisitionListener RunReadouts();
// At the end: the statistics, then afterStatistics, then the spectrum of a completed run
// when it is on.
AcquisitionListener RunAnalysis(std::function<void()> afterStatistics);
// After a run: a lost adapter leaves no interface chosen.
void DropLostAdapter();
// The start of every pass: the trace from the left edge and the temperature read, which
// also primes the converters for the selected channel.
void BeginPass();
// Takes SweepLength samples of the selected channel, plotting them as they come; false when
// stopped before the end.
bool AcquireSweep();

struct SpectrumPeak {
    int32_t bin = 0;
    float frequency = 0; // Hz
    float magnitude = 0; // in the channel's units
};

struct SweepsTaken {
    int32_t sweeps = 0;
    int32_t samples = 0;              // of the last one
    std::optional<SpectrumPeak> peak; // of its spectrum, when shown and the sweep completed
    std::string noSpectrum;           // why a spectrum asked for was not made
};

// Stopped when Stop ended a single sweep early; a continuous run always ends so.
CommandResult<SweepsTaken> cmdSingleSweep_Click();
void cmdStop_Click();
void chkContinuous_Click();
// The temperature in degrees C.
CommandResult<float> mnuReadTemp_Click();
