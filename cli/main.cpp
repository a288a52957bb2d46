// queltoeval-cli: the evaluation program's commands without a window.
#include "cli/CliApp.h"

#include <clocale>
#include <csignal>
#include <iostream>

namespace {

volatile std::sig_atomic_t lastSignal = 0;

// The first Ctrl+C stops the run at its next sample, with the output so far written; a
// second one ends the program at once.
void OnInterrupt(int signal) {
    lastSignal = signal;
    RequestInterrupt();
}

} // namespace

int main(int argc, char** argv) {
    // The log's date line in the user's form, as the windows write it; numbers always with a
    // point.
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
    std::ios::sync_with_stdio(false);
    const int code = RunCli({argv + (argc > 0 ? 1 : 0), argv + argc}, std::cout, std::cerr);
    std::cout.flush();
    if (code == kExitInterrupted && lastSignal != SIGINT && lastSignal != 0) {
        return 128 + lastSignal;
    }
    return code;
}
