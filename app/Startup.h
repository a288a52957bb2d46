// Start-up and shutdown of the program.
#pragma once

#include <cstdint>
#include <string>

#include "app/CommandLine.h"
#include "app/MainWindow.h"

// The options of the given words, and the text --help prints.
CommandLine ParseCommandLine(const std::vector<std::string>& args);
std::string UsageText();

// The settings before the configuration is read, and the sweep length's dependants after:
// the windows' start and the command line's share them.
void SetStartDefaults();
void SettleSweepLength();

// Sets the defaults, reads the configuration, applies the command-line device and shows
// the main window (whose load handler restores the interface and the model).
void Main(const std::string& commandLineText);

// The main window's close handler; never refuses (Cancel stays 0).
void MDIForm_Unload(int16_t& Cancel);
void mnuExit_Click();
