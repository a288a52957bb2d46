// How long the calibrated busy-wait really takes for the waits the program asks for.
// The reported real time per iteration should match the requested wait.
//
//   cmake --preset bench && cmake --build --preset bench && build/bench/bench_delay

#include "app/Analyzer.h"
#include "platform/Delay.h"

#include <benchmark/benchmark.h>

namespace {

void Calibrate() {
    if (!App().DelayCalibrated) {
        CalibrateDelay();
    }
}

void BM_DelayMs(benchmark::State& state) {
    Calibrate();
    const float ms = static_cast<float>(state.range(0)) / 100.0f;
    for (auto _ : state) {
        DelayMs(ms);
    }
    state.SetLabel("requested " + std::to_string(ms) + " ms");
    state.counters["loop_count"] = App().DelayLoopCount;
}

// 0 is the minimum loop that paces the parallel-port clock; 10 and 50 hundredths are the
// transfer pauses; 1000 is a 10 ms chunk of the loop delay.
BENCHMARK(BM_DelayMs)->Arg(0)->Arg(1)->Arg(10)->Arg(50)->Arg(1000)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
