// The streaming Allan deviation over an 8-hour record at 6.6 kHz: 190 million samples fed in
// blocks of 4096, as a log or a run hands them over (target: well under a minute, peak memory
// under 100 MB; "peak_rss_mb" is the process's). A shorter run per block size shows the cost
// per sample.
//
//   cmake --preset bench && cmake --build --preset bench --target bench_allan_stream &&
//   build/bench/bench/bench_allan_stream

#include "analysis/AllanStream.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <random>
#include <vector>

namespace {

// A gyroscope's rate at rest: white noise and a slow random walk, from a table of normal
// numbers reused, so that making the record costs little beside the analysis.
class Rate {
public:
    Rate() : table_(1 << 20) {
        std::mt19937_64 generator(1);
        std::normal_distribution<double> normal;
        for (auto& v : table_) {
            v = normal(generator);
        }
    }
    void Fill(std::vector<double>& block) {
        for (auto& v : block) {
            const double a = table_[at_++ & (table_.size() - 1)];
            const double b = table_[(at_ * 7919) & (table_.size() - 1)];
            walk_ += 1e-4 * b;
            v = a + walk_;
        }
    }

private:
    std::vector<double> table_;
    size_t at_ = 0;
    double walk_ = 0;
};

double PeakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Argument: samples.
void BM_AllanStream(benchmark::State& state) {
    const int64_t samples = state.range(0);
    Rate rate;
    std::vector<double> block(4096);
    for (auto _ : state) {
        AllanStream stream(1.0 / 6600);
        for (int64_t taken = 0; taken < samples; taken += static_cast<int64_t>(block.size())) {
            rate.Fill(block);
            stream.Add(block);
        }
        const AllanResult r = stream.Result();
        benchmark::DoNotOptimize(r);
        state.counters["points"] = static_cast<double>(r.points.size());
    }
    state.counters["samples_per_s"] = benchmark::Counter(
        static_cast<double>(state.iterations() * samples), benchmark::Counter::kIsRate);
    state.counters["peak_rss_mb"] = PeakRssMb();
}

} // namespace

BENCHMARK(BM_AllanStream)->Arg(10'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AllanStream)->Arg(190'080'000)->Iterations(1)->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
