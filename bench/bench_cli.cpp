// The command-line program against the bare acquisition engine, on the simulated board behind
// the parallel port at 1 us per register access:
//   CliVsEngine/N/MODEL  samples per second of "queltoeval-cli sweep --samples N" writing TSV to
//                   a file (start-up, calibration and the file included) and of the same sweep
//                   taken by cmdSingleSweep_Click with no user interface at all, alternated;
//                   "ratio" is cli / engine.
//
//   cmake --preset bench && cmake --build --preset bench && build/bench/bench/bench_cli

#include "app/Analyzer.h"
#include "app/Hardware.h"
#include "app/Startup.h"
#include "cli/CliApp.h"
#include "commands/DeviceSelect.h"
#include "commands/Sweep.h"
#include "platform/Delay.h"
#include "platform/Frontend.h"
#include "platform/PortIo.h"
#include "sensors/SensorModels.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <sstream>

namespace {

using Steady = std::chrono::steady_clock;

const char* kModels[] = {"KXS201", "KXS306"};

double EngineSweep(const char* model, int samples) {
    ResetAppState();
    CommandLine simulate;
    simulate.simulate = true;
    InstallHardware(simulate);
    CalibrateDelay(0.05);
    auto& app = App();
    app.InterfaceCode = 1;
    app.PortAddress = 0x378;
    std::string reason;
    OpenPort(0x378, reason);
    SelectModel(*FindSensorModel(model));
    app.SweepLength = samples;
    SettleSweepLength();
    const auto start = Steady::now();
    cmdSingleSweep_Click();
    const double seconds = std::chrono::duration<double>(Steady::now() - start).count();
    RemoveHardware();
    return seconds;
}

double CliSweep(const char* model, int samples, const std::string& file) {
    std::ostringstream out, err;
    const auto start = Steady::now();
    RunCli({"sweep", std::string("--simulate=") + model, "--samples", std::to_string(samples), "-q",
            "-o", file},
           out, err);
    return std::chrono::duration<double>(Steady::now() - start).count();
}

void CliVsEngine(benchmark::State& state) {
    const int samples = static_cast<int>(state.range(0));
    const char* model = kModels[state.range(1)];
    const std::string file = (std::filesystem::temp_directory_path() / "bench_cli.tsv").string();
    InstallFrontend(nullptr);
    double engine = 0, cli = 0;
    for (auto _ : state) {
        engine += EngineSweep(model, samples);
        cli += CliSweep(model, samples, file);
    }
    std::filesystem::remove(file);
    const double n = static_cast<double>(samples) * static_cast<double>(state.iterations());
    state.counters["engine_samples_per_s"] = n / engine;
    state.counters["cli_samples_per_s"] = n / cli;
    state.counters["ratio"] = engine / cli;
    state.SetLabel(model);
}

} // namespace

BENCHMARK(CliVsEngine)->Args({32768, 0})->Args({32768, 1})->Iterations(3)->Unit(benchmark::kSecond);
BENCHMARK_MAIN();
