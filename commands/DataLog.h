// Data logging: sweeps of the chosen channels, with the temperature if asked for, appended
// to a tab-separated text file; and the "Datalog Setup" dialog that chooses them.
#pragma once

#include "commands/CommandResult.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "commands/LogChannels.h"

struct LogWritten {
    std::string path;
    int64_t lines = 0; // the header's and the samples'
    int32_t passes = 0;
    int64_t deadlinesMissed = 0; // of a paced log, over its passes
};

// "Log Data": a header block, then one pass or passes until Stop, to the file named by the
// "Output File" boxes in the working directory (where the configuration file is). passes > 0
// takes that many (fewer when stopped) whatever "Continuous Loop" says.
CommandResult<LogWritten> cmdLogData_Click(int32_t passes = 0);
// One pass of SweepLength samples to LogFileName; false when it was stopped (or failed).
bool AcquireLogSweep();
// "Configure": the "Datalog Setup" dialog, modal.
void cmdSetupDlog_Click();

// The header block as it is written, for the temperature given, dated at time.
std::string LogHeader(float temperature, std::time_t time);

// What the header block says, for a log written from elsewhere (a record).
struct LogHeaderFields {
    std::string device;
    std::time_t time = 0;
    float temperature = 0;
    int64_t samples = 0;
    float readDelayMs = 0;
    bool accelerometer = false;
    bool negSelfTest = false, posSelfTest = false, powerDown = false;
    std::vector<std::string> names, units; // of the data columns
    bool temperatureColumn = false;
};
std::string LogHeaderText(const LogHeaderFields& fields);

void frmLogSetup_Form_Load();
void frmLogSetup_Form_Activate();
void frmLogSetup_chkInput_Click(int16_t Index);
void frmLogSetup_chkLogTemp_Click();
void frmLogSetup_chkPlotData_Click();
void frmLogSetup_cmdOK_Click();
