// The command-line program: the windows' handlers driven from options, for scripted bench
// runs without a desktop.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitRunFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;

// Runs one command (args without the program's name); data go to out, messages to err.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
