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

#include <algorithm>
#include <cmath>
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

void BM_AllanStreamAgainstDifferences(benchmark::State& state) {
    const int64_t n = state.range(0);
    for (auto _ : state) {
        std::mt19937_64 generator(5);
        std::normal_distribution<double> normal;
        AllanStream stream(1.0 / 6600);
        std::vector<double> ring(16), block;
        long double sums[3] = {};
        double walk = 0;
        for (int64_t i = 0; i < n; ++i) {
            walk += normal(generator);
            const double y = 0.3 * normal(generator) + walk;
            ring[static_cast<size_t>(i & 15)] = y;
            block.push_back(y);
            if (block.size() == 4096) {
                stream.Add(block);
                block.clear();
            }
            for (int k = 0; k < 3; ++k) {
                const int64_t m = int64_t{1} << k, j = i - 2 * m + 1;
                double d = 0;
                for (int64_t q = 0; j >= 0 && q < m; ++q) {
                    d += ring[static_cast<size_t>((j + m + q) & 15)] -
                         ring[static_cast<size_t>((j + q) & 15)];
                }
                sums[k] += static_cast<long double>(d) * d;
            }
        }
        stream.Add(block);
        const AllanResult r = stream.Result();
        double worst = 0;
        for (int k = 0; k < 3; ++k) {
            const auto m = static_cast<long double>(int64_t{1} << k);
            const auto direct = static_cast<double>(
                std::sqrt(sums[k] / (2 * m * m * static_cast<long double>(n - 2 * (1 << k) + 1))));
            worst =
                std::max(worst, std::abs(r.points[static_cast<size_t>(k)].deviation / direct - 1));
        }
        state.counters["max_rel_diff"] = worst;
    }
}

} // namespace

BENCHMARK(BM_AllanStreamAgainstDifferences)
    ->Arg(100'000'000)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_AllanStream)->Arg(10'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AllanStream)->Arg(190'080'000)->Iterations(1)->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
