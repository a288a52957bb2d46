// The "Simulator" menu, shown when the program runs on the simulated boards.
#pragma once

// Shows the menu when the simulated boards are attached.
void ShowSimulatorMenu();
// Plugs the simulated board in or pulls it out.
void mnuSimUse_Click();
// Ask for the signal's peak amplitude (fraction of full scale) and frequency (per sweep).
void mnuSimMax_Click();
void mnuSimFreq_Click();
// Ask what an active self-test line adds to the output (fraction of full scale).
void mnuSimSelfTest_Click();
// Ask for the part's noise: white-noise density, bias instability and rate random walk, in
// the plugged board's units.
void mnuSimNoise_Click();
void mnuSimBias_Click();
void mnuSimWalk_Click();
// Where the simulated noise starts: the same seed gives the same samples.
void mnuSimSeed_Click();
// Pulls the simulated USB adapters out or plugs them back in.
void mnuSimUsbPlugged_Click();
// Ask how many of the next USB transfers fail, time out or stall.
void mnuSimUsbFail_Click();
void mnuSimUsbTimeout_Click();
void mnuSimUsbStall_Click();
