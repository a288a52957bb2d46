// Acquisition runs: one sweep, continuous sweeps until Stop, and the temperature on demand.
#pragma once

// True when an interface and a model are chosen and the read delay is a number, which it
// keeps within 0..60000 ms.
bool SetupOK();
// The start of every pass: the trace from the left edge and the temperature read, which
// also primes the converters for the selected channel.
void BeginPass();
// Takes SweepLength samples of the selected channel, plotting them as they come; false when
// stopped before the end.
bool AcquireSweep();

void cmdSingleSweep_Click();
void cmdStop_Click();
void chkContinuous_Click();
void mnuReadTemp_Click();
