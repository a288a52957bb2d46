#include "analysis/Noise.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <optional>
#include <random>
#include <vector>

namespace {

using Record = std::vector<double>;

// White noise of standard deviation sigma plus a random walk of steps of standard deviation
// step, from a fixed seed.
Record Noise(size_t n, double sigma, double step = 0, uint64_t seed = 1) {
    std::mt19937_64 generator(seed);
    std::normal_distribution<double> normal;
    Record y(n);
    double walk = 0;
    for (auto& v : y) {
        walk += step * normal(generator);
        v = sigma * normal(generator) + walk;
    }
    return y;
}

Record Sine(size_t n, double amplitude, double cyclesPerSample, double offset = 0) {
    Record y(n);
    for (size_t i = 0; i < n; ++i) {
        y[i] = offset + amplitude * std::sin(2 * std::numbers::pi * cyclesPerSample * i);
    }
    return y;
}

Record Alternating(size_t n) {
    Record y(n);
    for (size_t i = 0; i < n; ++i) {
        y[i] = static_cast<double>(i % 2);
    }
    return y;
}

// The textbook overlapping Allan deviation, with every mean of m samples summed afresh.
double DirectAllan(const Record& y, size_t m) {
    std::vector<double> means(y.size() - m + 1);
    for (size_t j = 0; j < means.size(); ++j) {
        for (size_t i = 0; i < m; ++i) {
            means[j] += y[j + i] / m;
        }
    }
    double sum = 0;
    for (size_t j = 0; j + m < means.size(); ++j) {
        sum += (means[j + m] - means[j]) * (means[j + m] - means[j]);
    }
    return std::sqrt(sum / (2.0 * (y.size() - 2 * m + 1)));
}

void ExpectDirect(const Record& y, const AllanResult& r, const std::vector<int64_t>& ms) {
    ASSERT_EQ(r.points.size(), ms.size());
    for (size_t i = 0; i < ms.size(); ++i) {
        const auto& p = r.points[i];
        EXPECT_EQ(p.m, ms[i]);
        EXPECT_DOUBLE_EQ(p.tau, ms[i] * 0.01);
        const double direct = DirectAllan(y, ms[i]);
        EXPECT_NEAR(p.deviation, direct, 1e-9 * direct) << "m = " << ms[i];
        EXPECT_NEAR(p.uncertainty, direct / std::sqrt(2.0 * (y.size() / ms[i] - 1)), 1e-9 * direct);
    }
    for (auto coefficient : {r.whiteNoise, r.biasInstability, r.rateRandomWalk}) {
        EXPECT_TRUE(std::isfinite(coefficient.value_or(0)));
    }
}

} // namespace

TEST(NoiseAllan, MatchesTheDirectFormula) {
    const std::vector<int64_t> octaves{1, 2, 4, 8, 16, 32, 64, 128, 256};
    // The alternating record's deviation is 0 at every even m.
    for (const Record& y :
         {Noise(3000, 1.0), Noise(3000, 0, 0.1), Sine(3000, 2, 0.013, 1e3), Alternating(3000)}) {
        ExpectDirect(y, AllanDeviation(y, 0.01), octaves);
        // Given times round to whole samples; 14.99 s is the longest 3000 samples allow.
        const std::vector<double> taus{0.5, 0.013, 0.004, 0.5049, 14.99};
        ExpectDirect(y, AllanDeviation(y, 0.01, taus), {1, 50, 1499});
    }
}

TEST(NoiseAllan, CoefficientsOfGeneratedNoise) {
    // At 100 Hz, white noise of sigma 1 has N = 0.1, a walk of steps 1e-3 has K = 0.01.
    struct Case {
        double sigma, step;
        std::optional<double> n, k;
    };
    for (auto c : {Case{1, 0, 0.1, {}}, Case{0, 1e-3, {}, 0.01}, Case{1, 1e-3, 0.1, 0.01}}) {
        const auto r = AllanDeviation(Noise(1'000'000, c.sigma, c.step), 0.01);
        ASSERT_EQ(r.error, "");
        ASSERT_EQ(r.points.size(), 17u);
        EXPECT_EQ(r.points.back().m, 65536);
        ASSERT_EQ(r.whiteNoise.has_value(), c.n.has_value());
        ASSERT_EQ(r.rateRandomWalk.has_value(), c.k.has_value());
        if (c.n) {
            EXPECT_NEAR(*r.whiteNoise, *c.n, 0.02 * *c.n);
        }
        if (c.k) {
            EXPECT_NEAR(*r.rateRandomWalk, *c.k, 0.1 * *c.k);
        }
        if (c.n && !c.k) {
            // Pure white noise: every point on N / sqrt(tau) within its error bar.
            for (const auto& p : r.points) {
                EXPECT_NEAR(p.deviation, *c.n / std::sqrt(p.tau), 2 * p.uncertainty);
            }
        }
        if (c.n && c.k) {
            // The sum of both has its minimum sqrt(2 N K / sqrt(3)) at tau = sqrt(3) N / K.
            const double floor = std::sqrt(2 * *c.n * *c.k / std::sqrt(3.0));
            EXPECT_NEAR(*r.biasInstability * 0.6643, floor, 0.05 * floor);
            EXPECT_TRUE(r.minimumTau > 10 && r.minimumTau < 30) << r.minimumTau;
        }
    }
}

TEST(NoiseAllan, RefusesWhatItCannotUse) {
    const Record nan{1, 2, NAN, 4, 5, 6, 7, 8, 9, 10};
    const Record inf{1, 2, 3, 4, 5, 6, 7, 8, 9, -INFINITY};
    const Record shortRecord(9, 1.0);
    const Record ok = Noise(100, 1);
    const std::vector<double> tooLong{0.5}, negative{0.1, -1};
    struct Case {
        AllanResult result;
        const char* error;
    };
    for (const auto& c : {
             Case{AllanDeviation({}, 0.01), "The record is empty."},
             Case{AllanDeviation(nan, 0.01), "Sample 2 of the record is not a finite number."},
             Case{AllanDeviation(inf, 0.01, tooLong),
                  "Sample 9 of the record is not a finite number."},
             Case{AllanDeviation(ok, 0), "The sample period must be a positive number of seconds."},
             Case{AllanDeviation(ok, NAN),
                  "The sample period must be a positive number of seconds."},
             Case{AllanDeviation(shortRecord, 0.01),
                  "An Allan deviation needs at least 10 samples."},
             Case{AllanDeviation(ok, 0.01, tooLong),
                  "The record of 100 samples is too short for tau = 0.5 s."},
             Case{AllanDeviation(ok, 0.01, negative),
                  "Averaging times must be positive numbers of seconds."},
         }) {
        EXPECT_EQ(c.result.error, c.error);
        EXPECT_TRUE(c.result.points.empty());
        EXPECT_FALSE(c.result.whiteNoise || c.result.biasInstability || c.result.rateRandomWalk);
    }

    // A constant record keeps its flat curve at 0 and has no coefficients.
    const auto flat = AllanDeviation(Record(1000, 3.7), 0.01);
    EXPECT_EQ(flat.error, "The record is constant: no noise to fit.");
    ASSERT_EQ(flat.points.size(), 7u);
    for (const auto& p : flat.points) {
        EXPECT_EQ(p.deviation, 0);
    }
    EXPECT_FALSE(flat.whiteNoise || flat.biasInstability || flat.rateRandomWalk);
}
