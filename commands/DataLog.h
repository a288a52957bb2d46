// Data logging: sweeps of the chosen channels, with the temperature if asked for, appended
// to a tab-separated text file; and the "Datalog Setup" dialog that chooses them.
#pragma once

#include <ctime>
#include <string>

#include "commands/LogChannels.h"

// "Log Data": a header block, then one pass or passes until Stop, to the file named by the
// "Output File" boxes in the working directory (where the configuration file is).
void cmdLogData_Click();
// One pass of SweepLength samples to LogFileName; false when it was stopped (or failed).
bool AcquireLogSweep();
// "Configure": the "Datalog Setup" dialog, modal.
void cmdSetupDlog_Click();

// The header block as it is written, for the temperature given, dated at time.
std::string LogHeader(float temperature, std::time_t time);

void frmLogSetup_Form_Load();
void frmLogSetup_Form_Activate();
void frmLogSetup_chkInput_Click(int16_t Index);
void frmLogSetup_chkLogTemp_Click();
void frmLogSetup_chkPlotData_Click();
void frmLogSetup_cmdOK_Click();
