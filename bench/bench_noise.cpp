// Noise analyses on long records: the octave Allan deviation of 10 million samples (target
// under 2 s) and the noise density of 1 million samples (target under 1 s). DensityVsFftw
// alternates the density of 1 million samples with the same Welch average written here on
// FFTW's real-input transform (a measured plan); "ratio" is ours over FFTW's (target at most
// 1.3), "max_rel_diff" how far the two curves are apart.
//
//   cmake --preset bench && cmake --build --preset bench --target bench_noise &&
//   build/bench/bench/bench_noise

#include "analysis/Noise.h"

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>
#include <numeric>
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

// Welch's average as NoiseDensity takes it: Hann window, each segment less its mean, half
// overlap, one-sided density.
class FftwDensity {
public:
    explicit FftwDensity(size_t length)
        : length_(length), in_(fftw_alloc_real(length)), out_(fftw_alloc_complex(length / 2 + 1)),
          plan_(fftw_plan_dft_r2c_1d(static_cast<int>(length), in_, out_, FFTW_MEASURE)),
          window_(length) {
        for (size_t i = 0; i < length; ++i) {
            window_[i] = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) /
                                              static_cast<double>(length));
            windowPower_ += window_[i] * window_[i];
        }
    }
    ~FftwDensity() {
        fftw_destroy_plan(plan_);
        fftw_free(in_);
        fftw_free(out_);
    }

    std::vector<double> Density(const std::vector<double>& x, double rate) {
        const size_t bins = length_ / 2 + 1;
        std::vector<double> density(bins);
        size_t segments = 0;
        for (size_t start = 0; start + length_ <= x.size(); start += length_ / 2, ++segments) {
            const double* s = x.data() + start;
            const double mean = std::accumulate(s, s + length_, 0.0) / static_cast<double>(length_);
            for (size_t i = 0; i < length_; ++i) {
                in_[i] = (s[i] - mean) * window_[i];
            }
            fftw_execute(plan_);
            for (size_t k = 0; k < bins; ++k) {
                density[k] += out_[k][0] * out_[k][0] + out_[k][1] * out_[k][1];
            }
        }
        const double scale = 1 / (rate * windowPower_ * static_cast<double>(segments));
        for (size_t k = 0; k < bins; ++k) {
            density[k] = std::sqrt(density[k] * scale * (k == 0 || k == bins - 1 ? 1 : 2));
        }
        return density;
    }

private:
    size_t length_;
    double* in_;
    fftw_complex* out_;
    fftw_plan plan_;
    std::vector<double> window_;
    double windowPower_ = 0;
};

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Arguments: samples, segment length.
void BM_DensityVsFftw(benchmark::State& state) {
    const auto y = Record(static_cast<size_t>(state.range(0)));
    const auto length = static_cast<size_t>(state.range(1));
    FftwDensity fftw(length); // measuring the plan takes a while: not in the loop
    double ours = 0;
    double theirs = 0;
    double maxDiff = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        const auto reference = fftw.Density(y, 1000);
        theirs += Seconds(start);
        start = std::chrono::steady_clock::now();
        const auto result = NoiseDensity(y, 1000, length);
        const double seconds = Seconds(start);
        ours += seconds;
        state.SetIterationTime(seconds);
        for (size_t k = 0; k < reference.size(); ++k) {
            maxDiff = std::max(maxDiff, std::abs(result.density[k] / reference[k] - 1));
        }
    }
    state.counters["ratio"] = ours / theirs;
    state.counters["max_rel_diff"] = maxDiff;
    if (!(maxDiff < 1e-12)) {
        state.SkipWithError("the densities differ by 1e-12 or more");
    }
}

BENCHMARK(BM_AllanDeviation)->Arg(10'000'000)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NoiseDensity)
    ->ArgsProduct({{1'000'000}, {1024, 4096, 65536}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DensityVsFftw)
    ->ArgsProduct({{1'000'000}, {1024, 4096, 65536}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
