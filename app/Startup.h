// Start-up and shutdown of the program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/SysInfo.h"

// Our own options start with "--"; every other word is part of the command-line text.
struct CommandLine {
    std::string text; // the remaining words joined by single spaces
    bool help = false;
    bool version = false;
    bool simulate = false;
    std::string simulateModel;            // --simulate=MODEL fixes the simulated board
    std::vector<int> simulateAdapters{0}; // numbers of the simulated USB adapters
    std::string simulateUsbFault;         // --simulate-usb-fault=KIND:N[@AFTER]
    int simulateUsbUnplugAfter = -1;      // --simulate-usb-unplug=N[:MS]: transfers, then out
    int simulateUsbReplugMs = -1;         // and back in after MS milliseconds
    double simulateUsbTransactionMs = -1; // --simulate-usb-time=MS: bus time a transaction
    double simulateAmplitude = -1;        // --simulate-amplitude=F: the sine's peak, of full scale
    bool directIo = false;                // raw port I/O instead of the parport driver
    std::string error;                    // set for an unknown option
};

CommandLine ParseCommandLine(const std::vector<std::string>& args);
std::string UsageText();

// The settings before the configuration is read, and the sweep length's dependants after:
// the windows' start and the command line's share them.
void SetStartDefaults();
void SettleSweepLength();

// Sets the defaults, reads the configuration, applies the command-line device and shows
// the main window (whose load handler restores the interface and the model).
void Main(const std::string& commandLineText);

// The main window's load handler.
void MDIForm_Load();
// The main window's close handler; never refuses (Cancel stays 0).
void MDIForm_Unload(int16_t& Cancel);
void mnuExit_Click();

std::string OsNameFor(const OsVersionInfo& info);
bool OsOffersUsb(const std::string& osName);
