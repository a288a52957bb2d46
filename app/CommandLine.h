// The program's command line.
#pragma once

#include <string>
#include <vector>

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
    bool fastTime = false;                // --simulate-fast-time: the board's own clock, no waiting
    double simulateAmplitude = -1;        // --simulate-amplitude=F: the sine's peak, of full scale
    bool directIo = false;                // raw port I/O instead of the parport driver
    std::string error;                    // set for an unknown option
};
