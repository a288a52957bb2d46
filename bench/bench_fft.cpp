// The spectrum of a 32768-sample sweep (weighting, transform, magnitudes, peak) against the
// same magnitudes from FFTW's real-input transform with a measured plan. Also prints how far
// the two spectra are apart (full scale is 1.0) and how many times FFTW's time ours takes.
//
//   cmake --preset bench && cmake --build --preset bench --target bench_fft
//   build/bench/bench/bench_fft

#include "analysis/Spectrum.h"

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr size_t kPoints = 32768;
constexpr int kAdcBits = 12;
constexpr int32_t kZeroCode = 2048;

// A 12-bit sweep: a tone of 1000 codes between bins, plus noise of a few codes.
const std::vector<int32_t>& Codes() {
    static const std::vector<int32_t> codes = [] {
        std::mt19937 rng(7);
        std::normal_distribution<double> noise(0.0, 3.0);
        std::vector<int32_t> c(kPoints);
        for (size_t i = 0; i < kPoints; ++i) {
            const double tone = 1000.0 * std::sin(2 * std::numbers::pi * 123.4 * i / kPoints);
            c[i] = static_cast<int32_t>(std::lround(kZeroCode + tone + noise(rng)));
        }
        return c;
    }();
    return codes;
}

const std::vector<double> kWindow(kPoints, 1.0);

struct FftwPlan {
    FftwPlan() : in(fftw_alloc_real(kPoints)), out(fftw_alloc_complex(kPoints / 2 + 1)) {
        plan = fftw_plan_dft_r2c_1d(static_cast<int>(kPoints), in, out, FFTW_MEASURE);
    }
    ~FftwPlan() {
        fftw_destroy_plan(plan);
        fftw_free(in);
        fftw_free(out);
    }
    // The same weighting and scaling as ComputeSpectrum.
    void Spectrum(std::vector<double>& magnitudes) {
        const auto& codes = Codes();
        for (size_t i = 0; i < kPoints; ++i) {
            in[i] = (codes[i] - double{kZeroCode}) * kWindow[i];
        }
        fftw_execute(plan);
        const double scale = 2.0 / (std::ldexp(1.0, kAdcBits) * (kPoints / 2));
        const double k = scale * scale;
        for (size_t i = 0; i < kPoints / 2; ++i) {
            magnitudes[i] = std::sqrt((out[i][0] * out[i][0] + out[i][1] * out[i][1]) * k);
        }
        magnitudes[0] /= 2;
    }

    double* in;
    fftw_complex* out;
    fftw_plan plan;
};

FftwPlan& Fftw() {
    static FftwPlan plan;
    return plan;
}

void BM_Spectrum(benchmark::State& state) {
    SpectrumWorkspace work;
    for (auto _ : state) {
        auto result = ComputeSpectrum(Codes(), kZeroCode, kWindow, kAdcBits, work);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_Spectrum)->Unit(benchmark::kMicrosecond);

void BM_FftwSpectrum(benchmark::State& state) {
    std::vector<double> magnitudes(kPoints / 2);
    auto& fftw = Fftw(); // measuring the plan takes a while: not in the loop
    for (auto _ : state) {
        fftw.Spectrum(magnitudes);
        benchmark::DoNotOptimize(magnitudes.data());
    }

    SpectrumWorkspace work;
    const auto ours = ComputeSpectrum(Codes(), kZeroCode, kWindow, kAdcBits, work);
    double maxDiff = 0;
    for (size_t i = 0; i < magnitudes.size(); ++i) {
        maxDiff = std::max(maxDiff, std::abs(ours.magnitudes[i] - magnitudes[i]));
    }
    state.counters["max_diff"] = maxDiff;
    if (!(maxDiff < 1e-9)) {
        state.SkipWithError("the spectra differ by 1e-9 of full scale or more");
    }
}
BENCHMARK(BM_FftwSpectrum)->Unit(benchmark::kMicrosecond);

// Prints the usual table, then our time as a multiple of FFTW's (by the medians when the runs
// are repeated).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs) {
            if (!run.error_occurred &&
                (run.run_type == Run::RT_Iteration || run.aggregate_name == "median")) {
                cpuTime[run.run_name.function_name] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto ours = cpuTime.find("BM_Spectrum");
        const auto fftw = cpuTime.find("BM_FftwSpectrum");
        if (ours != cpuTime.end() && fftw != cpuTime.end() && fftw->second > 0) {
            std::printf("ours / FFTW (CPU time): %.2f\n", ours->second / fftw->second);
        }
    }

private:
    std::map<std::string, double> cpuTime;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
