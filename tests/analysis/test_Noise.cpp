#include "analysis/Noise.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

using Record = std::vector<double>;
constexpr double kPi = std::numbers::pi;

// White noise of standard deviation sigma, a random walk of steps of standard deviation step,
// and a cosine of amplitude a at f cycles per sample on an offset; the same seed every time.
Record Signal(size_t n, double sigma, double step, double a = 0, double f = 0, double offset = 0) {
    std::mt19937_64 generator(1);
    std::normal_distribution<double> normal;
    Record y(n);
    double walk = 0;
    for (size_t i = 0; i < n; ++i) {
        walk += step * normal(generator);
        y[i] = sigma * normal(generator) + walk + a * std::cos(2 * kPi * f * i) + offset;
    }
    return y;
}

// The textbook overlapping Allan deviation: each difference of means of m samples summed afresh.
double DirectAllan(const Record& y, size_t m) {
    double sum = 0;
    for (size_t j = 0; j + 2 * m <= y.size(); ++j) {
        double d = 0;
        for (size_t i = j; i < j + m; ++i) {
            d += (y[i + m] - y[i]) / m;
        }
        sum += d * d;
    }
    return std::sqrt(sum / (2.0 * (y.size() - 2 * m + 1)));
}

// Welch's estimate the textbook way: half-overlapping segments less their mean, an explicit
// Hann window (sum of squares 3L/8) and a direct DFT.
Record DirectWelch(const Record& x, double rate, size_t L) {
    Record density(L / 2 + 1);
    size_t segments = 0;
    for (size_t s = 0; s + L <= x.size(); s += L / 2, ++segments) {
        const double mean = std::accumulate(x.begin() + s, x.begin() + s + L, 0.0) / L;
        for (size_t k = 0; k <= L / 2; ++k) {
            std::complex<double> X = 0;
            for (size_t i = 0; i < L; ++i) {
                const double w = 0.5 - 0.5 * std::cos(2 * kPi * i / L);
                X += (x[s + i] - mean) * w * std::polar(1.0, -2 * kPi * k * i / L);
            }
            density[k] += (k % (L / 2) ? 2 : 1) * std::norm(X) / (rate * 3 * L / 8);
        }
    }
    for (auto& d : density) {
        d = std::sqrt(d / segments);
    }
    return density;
}

} // namespace

TEST(NoiseAllan, MatchesTheDirectFormula) {
    // Given times round to whole samples, 14.99 s the longest 3000 allow. The alternating record
    // (+1, -1, ...) is 0 at every even m: no logarithm of it is taken.
    const std::vector<double> taus{0.5, 0.013, 0.004, 0.5049, 14.99};
    for (const auto& y : {Signal(3000, 1, 0), Signal(3000, 0, 0.1),
                          Signal(3000, 0, 0, 2, 0.013, 1e3), Signal(3000, 0, 0, 1, 0.5)}) {
        const std::pair<AllanResult, std::vector<int64_t>> cases[] = {
            {AllanDeviation(y, 0.01), {1, 2, 4, 8, 16, 32, 64, 128, 256}},
            {AllanDeviation(y, 0.01, taus), {1, 50, 1499}}};
        for (const auto& [r, ms] : cases) {
            ASSERT_EQ(r.points.size(), ms.size());
            for (size_t i = 0; i < ms.size(); ++i) {
                const double direct = DirectAllan(y, ms[i]);
                EXPECT_EQ(r.points[i].m, ms[i]);
                EXPECT_DOUBLE_EQ(r.points[i].tau, ms[i] * 0.01);
                EXPECT_NEAR(r.points[i].deviation, direct, 1e-9 * direct) << "m = " << ms[i];
            }
            EXPECT_TRUE(std::isfinite(r.whiteNoise.value_or(0) + r.rateRandomWalk.value_or(0) +
                                      r.biasInstability.value_or(0)));
        }
    }
}

TEST(NoiseAllan, CoefficientsOfGeneratedNoise) {
    // At 100 Hz, white noise of sigma 1 has N = 0.1 and a one-sided density of sqrt(2) N, and a
    // walk of steps 1e-3 has K = 0.01 (0: absent). Together their minimum is sqrt(2 N K / sqrt(3))
    // near 17 s.
    const double cases[][4] = {{1, 0, 0.1, 0}, {0, 1e-3, 0, 0.01}, {1, 1e-3, 0.1, 0.01}};
    for (auto [sigma, step, n, k] : cases) {
        const auto y = Signal(1'000'000, sigma, step);
        const auto r = AllanDeviation(y, 0.01);
        EXPECT_NEAR(r.whiteNoise.value_or(0), n, 0.02 * n);
        EXPECT_NEAR(r.rateRandomWalk.value_or(0), k, 0.1 * k);
        if (k == 0) {
            EXPECT_NEAR(NoiseDensity(y, 100, 4096).floor, std::sqrt(2) * n, 0.03 * n);
            EXPECT_NEAR(NoiseDensity(y, 100, 4096, 0.5, 5).floor, std::sqrt(2) * n, 0.03 * n);
        } else if (n > 0) {
            EXPECT_NEAR(*r.biasInstability * 0.6643, std::sqrt(2e-3 / std::sqrt(3.0)), 1e-3);
            EXPECT_DOUBLE_EQ(r.minimumTau, 20.48);
        }
    }
}

TEST(NoiseDensity, MatchesTheDirectEstimate) {
    // 1000 samples make 30 segments of 64 and leave 8 out; the offset does not leak.
    const auto direct = DirectWelch(Signal(1000, 0.3, 0, 1, 0.17), 50, 64);
    const auto r = NoiseDensity(Signal(1000, 0.3, 0, 1, 0.17, 1e3), 50, 64);
    EXPECT_EQ(r.segments, 30);
    ASSERT_EQ(r.density.size(), direct.size());
    for (size_t k = 0; k < direct.size(); ++k) {
        EXPECT_DOUBLE_EQ(r.frequency[k], k * 50.0 / 64);
        EXPECT_NEAR(r.density[k], direct[k], 1e-8) << "bin " << k;
    }
    // The floor: the median of bins 7 to 25, 5.5 to 19.5 Hz, within 10 % to 40 % of 50 Hz.
    Record band(direct.begin() + 7, direct.begin() + 26);
    std::nth_element(band.begin(), band.begin() + 9, band.end());
    EXPECT_NEAR(r.floor, band[9], 1e-8);
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
    };
    for (const auto& [error, expected] : cases) {
        EXPECT_NE(error.find(expected), std::string::npos) << error;
    }
    // A constant record keeps its curve and its density at 0.
    EXPECT_EQ(AllanDeviation(flat, 1).points.back().deviation, 0);
    EXPECT_EQ(NoiseDensity(flat, 100, 8).density, Record(5, 0.0));
}
