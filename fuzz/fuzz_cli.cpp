// The command line on argument lists from the input, one argument a line. Only options that
// keep a run in memory and in its temporary working folder are let through, and a watchdog
// stops any run (as Ctrl+C does) that takes longer than a moment.
#include "cli/CliApp.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// Everything that writes elsewhere, waits or runs until stopped stays out.
constexpr std::string_view kAllowed =
    " --device --interface --port --adapter --samples --simulate --sim-density --sim-bias"
    " --sim-rrw --sim-amplitude --sim-seed --quiet -q --channel --format --channels"
    " --temperature --file --index --from-log --rate --column --segment --band --taus --json"
    " --words --static-bits --word-delay --cs --count --help --version ";

bool Allowed(const std::string& arg) {
    // The self-test waits for the board to settle, whatever the watchdog says.
    if (arg.size() > 40 || arg.find('/') != std::string::npos || arg == "selftest") {
        return false;
    }
    if (!arg.empty() && arg[0] == '-') {
        return kAllowed.find(" " + arg.substr(0, arg.find('=')) + " ") != std::string_view::npos;
    }
    return true;
}

std::atomic<Clock::rep> deadline{0};

// Stops the run that is late; a run checks at every sample and sweep.
void Watch() {
    while (true) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const auto due = deadline.load();
        if (due != 0 && Clock::now().time_since_epoch().count() > due) {
            RequestInterrupt();
        }
    }
}

std::string folder;

// Runs in a folder of its own; libFuzzer, between runs, reads its corpus from where it was
// started.
int RunInFolder(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const int back = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (back < 0 || ::chdir(folder.c_str()) != 0) {
        std::abort();
    }
    const int code = RunCli(args, out, err);
    // The log command's files go, but for the one --from-log reads.
    if (std::find(args.begin(), args.end(), "log") != args.end()) {
        for (const auto& entry : std::filesystem::directory_iterator(".")) {
            if (entry.path().filename() != "log_1.txt") {
                std::filesystem::remove_all(entry.path());
            }
        }
    }
    if (::fchdir(back) != 0) {
        std::abort();
    }
    ::close(back);
    return code;
}

// The folder, with a log the program wrote for --from-log to read.
void SetUp() {
    char dir[] = "/dev/shm/fuzz-cli-XXXXXX";
    if (::mkdtemp(dir) == nullptr) {
        std::abort();
    }
    folder = dir;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    });
    std::ostringstream out;
    std::ostringstream err;
    if (RunInFolder({"log", "--simulate=KXS306", "--samples", "64", "--count", "2", "--file", "log",
                     "--index", "1", "-q"},
                    out, err) != kExitOk) {
        std::abort();
    }
    std::thread(Watch).detach();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = (SetUp(), true);
    (void)ready;
    std::vector<std::string> args;
    std::string arg;
    bool simulated = false;
    for (size_t i = 0; i <= size; ++i) {
        if (i < size && data[i] != '\n') {
            arg.push_back(static_cast<char>(data[i]));
            continue;
        }
        if (!Allowed(arg) || args.size() == 16) {
            return -1;
        }
        simulated |= arg.starts_with("--simulate") || arg.starts_with("--from-log");
        args.push_back(std::move(arg));
        arg.clear();
    }
    // Never the hardware.
    if (!simulated) {
        args.push_back("--simulate");
    }
    ClearInterrupt();
    deadline = (Clock::now() + std::chrono::milliseconds(200)).time_since_epoch().count();
    std::ostringstream out;
    std::ostringstream err;
    const int code = RunInFolder(args, out, err);
    deadline = 0;
    if (code != kExitOk && code != kExitRunFailed && code != kExitUsage &&
        code != kExitInterrupted) {
        std::abort();
    }
    return 0;
}
