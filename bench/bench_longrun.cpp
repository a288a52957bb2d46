// The overnight run in fast time: 8 hours of the simulated gyroscope paced at 6.6 kHz through
// the session, the engine, the record file and the streaming Allan deviation, once. Counters:
// the peak resident memory (target under 100 MB), the record's bytes a sample (at most 10),
// and the white noise, bias instability and rate random walk found over the part's (within
// 10 %, 15 % and 25 % of 1). QUELTO_LONGRUN_HOURS shortens it.
//
//   cmake --preset bench && cmake --build --preset bench --target bench_longrun &&
//   build/bench/bench/bench_longrun

#include "tests/support/LongRun.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

namespace {

void BM_EightHourRecord(benchmark::State& state) {
    const char* hours = std::getenv("QUELTO_LONGRUN_HOURS");
    const double seconds = 3600 * (hours != nullptr ? std::atof(hours) : 8.0);
    const std::string path =
        (std::filesystem::temp_directory_path() / "quelto-bench-longrun.qrec").string();
    LongRunFigures f;
    for (auto _ : state) {
        f = RunLongRecord(seconds, path);
    }
    std::filesystem::remove(path);
    const auto samples = static_cast<double>(f.run.samples);
    state.counters["samples"] = samples;
    state.counters["missed"] = static_cast<double>(f.run.deadlines_missed);
    state.counters["peak_MB"] = f.peakMb;
    state.counters["bytes_per_sample"] = static_cast<double>(f.fileBytes) / samples;
    state.counters["N_ratio"] = f.allan.whiteNoise.value_or(0) / kPartWhiteNoise;
    state.counters["B_ratio"] = f.allan.biasInstability.value_or(0) / kPartBiasInstability;
    state.counters["K_ratio"] = f.allan.rateRandomWalk.value_or(0) / kPartRateRandomWalk;
    state.counters["samples_per_s"] = benchmark::Counter(samples, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EightHourRecord)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
