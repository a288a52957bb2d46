#include "analysis/Noise.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

using Record = std::vector<double>;

// White noise of standard deviation sigma and a random walk of steps of standard deviation
// step; the same seed every time.
Record Signal(size_t n, double sigma, double step) {
    std::mt19937_64 generator(1);
    std::normal_distribution<double> normal;
    Record y(n);
    double walk = 0;
    for (size_t i = 0; i < n; ++i) {
        walk += step * normal(generator);
        y[i] = sigma * normal(generator) + walk;
    }
    return y;
}

} // namespace

// The curve's values are the recorded runs'; given times round to whole samples, each m once
// and in order, 14.99 s the longest 3000 samples allow.
TEST(NoiseAllan, GivenTimesRoundToWholeSamples) {
    const auto r =
        AllanDeviation(Signal(3000, 1, 0), 0.01, Record{0.5, 0.013, 0.004, 0.5049, 0.506, 14.99});
    std::vector<int64_t> ms;
    for (const auto& point : r.points) {
        ms.push_back(point.m);
    }
    EXPECT_EQ(ms, (std::vector<int64_t>{1, 50, 51, 1499}));
}

TEST(NoiseAllan, CoefficientsOfGeneratedNoise) {
    // At 100 Hz, white noise of sigma 1 has N = 0.1 and a walk of steps 1e-3 has K = 0.01 (0:
    // absent). Together their minimum is sqrt(2 N K / sqrt(3)) near 17 s. The density's floor
    // is the recorded noise runs'.
    const double cases[][4] = {{1, 0, 0.1, 0}, {0, 1e-3, 0, 0.01}, {1, 1e-3, 0.1, 0.01}};
    for (auto [sigma, step, n, k] : cases) {
        const auto y = Signal(1'000'000, sigma, step);
        const auto r = AllanDeviation(y, 0.01);
        EXPECT_NEAR(r.whiteNoise.value_or(0), n, 0.02 * n);
        EXPECT_NEAR(r.rateRandomWalk.value_or(0), k, 0.1 * k);
        if (k > 0 && n > 0) {
            EXPECT_NEAR(*r.biasInstability * 0.6643, std::sqrt(2e-3 / std::sqrt(3.0)), 1e-3);
            EXPECT_DOUBLE_EQ(r.minimumTau, 20.48);
        }
    }
}

TEST(Noise, RefusesWhatItCannotUse) {
    const Record nan{1, NAN, 3, 4, 5, 6, 7, 8, 9, 10}, ok = Signal(100, 1, 0), flat(99, 3.7);
    const std::pair<std::string, const char*> cases[] = {
        {AllanDeviation({}, 1).error, "The record is empty."},
        {AllanDeviation(nan, 1).error, "Sample 1 of the record is not a finite number."},
        {AllanDeviation(ok, NAN).error, "sample period"},
        {AllanDeviation(Record(9, 1), 1).error, "at least 10 samples"},
        {AllanDeviation(ok, 0.01, Record{0.5}).error, "100 samples is too short for tau = 0.5 s"},
        {AllanDeviation(flat, 1).error, "constant"},
        {NoiseDensity(nan, 100, 4).error, "Sample 1 "},
        {NoiseDensity(ok, 0, 4).error, "sample rate"},
        {NoiseDensity(ok, 100, 24).error, "power of two"},
        {NoiseDensity(ok, 100, 128).error, "100 samples is shorter than one segment of 128"},
        {NoiseDensity(ok, 100, 4, 10, 60).error, "within 0 to 50 Hz"},
        {NoiseDensity(ok, 100, 4, 30, 40).error, "No frequency bin"},
        {NoiseDensity(flat, 100, 8).error, "constant"},
        {AllanDeviation(ok, 1e308).error, "beyond the range"},
        {NoiseDensity(ok, 1e-310, 4).error, "beyond the range"},
    };
    for (const auto& [error, expected] : cases) {
        EXPECT_NE(error.find(expected), std::string::npos) << error;
    }
    // A constant record keeps its curve and its density at 0.
    EXPECT_EQ(AllanDeviation(flat, 1).points.back().deviation, 0);
    EXPECT_EQ(NoiseDensity(flat, 100, 8).density, Record(5, 0.0));
}
