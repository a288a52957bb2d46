// The command-line program: the library's session driven from options, for scripted bench
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

// Safe from a signal handler: the running acquisition stops at its next sample, as with the
// Stop button, and the command ends with what it has.
void RequestInterrupt();
bool Interrupted();
void ClearInterrupt();
