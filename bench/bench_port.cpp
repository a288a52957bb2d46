// Parallel-port transfers through the simulated board: samples per second with the board's
// register accesses free (latency 0) and at the speed of a real ISA-timed port (1 us), and
// the host's own cost per transfer with the busy-waits taken out.
//
//   cmake --preset bench && cmake --build --preset bench && build/bench/bench/bench_port

#include "app/Analyzer.h"
#include "platform/Clock.h"
#include "platform/Delay.h"
#include "platform/PortIo.h"
#include "sensors/PortTransfers.h"
#include "sensors/m305.h"
#include "simulator/SimBoards.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// Waits cost nothing: what is left is the host's code and the board's decoding. It tells the
// time by the clock it replaces: once installed, SystemClock() is itself.
class NoWaitClock : public Clock {
public:
    explicit NoWaitClock(Clock& real) : real_(real) {}
    double Now() override { return real_.Now(); }
    void Spin(int32_t) override {}

private:
    Clock& real_;
};

void Prepare(const char* model, double latencyMicroseconds) {
    auto& app = App();
    if (!app.DelayCalibrated) {
        CalibrateDelay();
    }
    auto& boards = SimulatedBoards();
    if (!boards.attached) {
        boards.Attach("");
        InstallPortBackend(&boards.port);
        std::string reason;
        OpenPort(0x378, reason);
    }
    SimulatedBoardFollows(model);
    boards.port.SetAccessLatency(latencyMicroseconds);
    app.InterfaceCode = 1;
    app.PortAddress = 0x378;
    app.mdiAnalyzer.txtPort.text = "378";
}

int32_t Transfer(int kind) {
    switch (kind) {
    case 0:
        return PortReadGyro();
    case 1:
        return PortReadAccel();
    case 2:
        PortReadAccelTemp();
        return 0;
    default: {
        std::string rate = "RATE";
        SetMuxChannel(rate, 0);
        return static_cast<int32_t>(ReadAdcValue());
    }
    }
}

const char* const kModels[] = {"KXS306", "KXS201", "KXS201", "KXS305"};
const char* const kNames[] = {"PortReadGyro", "PortReadAccel", "PortReadAccelTemp",
                              "setMux+readAdc"};

void Run(benchmark::State& state, bool waits) {
    const int kind = static_cast<int>(state.range(0));
    Prepare(kModels[kind], static_cast<double>(state.range(1)) / 1000.0);
    NoWaitClock noWait(SystemClock());
    if (!waits) {
        InstallClock(&noWait);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(Transfer(kind));
    }
    InstallClock(nullptr);
    state.SetLabel(kNames[kind]);
    state.counters["transfers_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_Transfer(benchmark::State& state) { Run(state, true); }
void BM_HostOnly(benchmark::State& state) { Run(state, false); }

// Arguments: transfer, board latency per access in nanoseconds.
BENCHMARK(BM_Transfer)
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1000}})
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HostOnly)
    ->ArgsProduct({{0, 1, 2, 3}, {0}})
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
