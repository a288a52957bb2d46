// Noise analyses on long records: the octave Allan deviation of 10 million samples (target
// under 2 s) and the noise density of 1 million samples (target under 1 s).
//
//   cmake --preset bench && cmake --build --preset bench --target bench_noise &&
//   build/bench/bench/bench_noise

#include "analysis/Noise.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

// White noise with a slow random walk, like a gyroscope's rate at rest.
std::vector<double> Record(size_t n) {
    std::mt19937_64 generator(1);
    std::normal_distribution<double> normal;
    std::vector<double> y(n);
    double walk = 0;
    for (auto& v : y) {
        walk += 1e-3 * normal(generator);
        v = normal(generator) + walk;
    }
    return y;
}

void BM_AllanDeviation(benchmark::State& state) {
    const auto y = Record(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(AllanDeviation(y, 0.01));
    }
    state.counters["samples_per_s"] = benchmark::Counter(
        static_cast<double>(state.iterations() * state.range(0)), benchmark::Counter::kIsRate);
}

// Arguments: samples, segment length.
void BM_NoiseDensity(benchmark::State& state) {
    const auto y = Record(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(NoiseDensity(y, 1000, static_cast<size_t>(state.range(1))));
    }
    state.counters["samples_per_s"] = benchmark::Counter(
        static_cast<double>(state.iterations() * state.range(0)), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_AllanDeviation)->Arg(10'000'000)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NoiseDensity)
    ->ArgsProduct({{1'000'000}, {1024, 4096, 65536}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
