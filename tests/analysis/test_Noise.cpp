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

namespace {

// Welch's estimate the textbook way: each half-overlapping segment less its mean, times an
// explicit Hann window, through a direct DFT.
std::vector<double> DirectWelch(const Record& x, double rate, size_t length) {
    const double pi = std::numbers::pi;
    std::vector<double> power(length / 2 + 1);
    double windowPower = 0;
    for (size_t i = 0; i < length; ++i) {
        windowPower += std::pow(0.5 - 0.5 * std::cos(2 * pi * i / length), 2);
    }
    size_t segments = 0;
    for (size_t start = 0; start + length <= x.size(); start += length / 2, ++segments) {
        double mean = 0;
        for (size_t i = 0; i < length; ++i) {
            mean += x[start + i] / length;
        }
        for (size_t k = 0; k < power.size(); ++k) {
            double re = 0, im = 0;
            for (size_t i = 0; i < length; ++i) {
                const double v =
                    (x[start + i] - mean) * (0.5 - 0.5 * std::cos(2 * pi * i / length));
                re += v * std::cos(2 * pi * k * i / length);
                im -= v * std::sin(2 * pi * k * i / length);
            }
            const double twoSided = k == 0 || k == length / 2 ? 1 : 2;
            power[k] += twoSided * (re * re + im * im) / (rate * windowPower);
        }
    }
    for (auto& p : power) {
        p = std::sqrt(p / segments);
    }
    return power;
}

} // namespace

TEST(NoiseDensity, MatchesTheDirectEstimate) {
    // 1000 samples make 30 segments of 64 and leave 8 out; the offset does not leak.
    Record x = Noise(1000, 0.3);
    const Record sine = Sine(1000, 1, 0.17);
    Record shifted(x.size());
    for (size_t i = 0; i < x.size(); ++i) {
        x[i] += sine[i];
        shifted[i] = x[i] + 1e3;
    }
    const auto direct = DirectWelch(x, 50, 64);
    const auto r = NoiseDensity(shifted, 50, 64);
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.segments, 30);
    ASSERT_EQ(r.density.size(), 33u);
    for (size_t k = 0; k < direct.size(); ++k) {
        EXPECT_DOUBLE_EQ(r.frequency[k], k * 50.0 / 64);
        EXPECT_NEAR(r.density[k], direct[k], 1e-8) << "bin " << k;
    }
    EXPECT_EQ(r.bandLow, 5);
    EXPECT_EQ(r.bandHigh, 20);
}

TEST(NoiseDensity, WhiteNoiseAndSines) {
    // White noise of sigma 0.5 at 1 kHz: 0.5 / sqrt(500) per root hertz over the whole band.
    const double expected = 0.5 / std::sqrt(500.0);
    const auto white = NoiseDensity(Noise(1'000'000, 0.5), 1000, 4096);
    EXPECT_NEAR(white.floor, expected, 0.02 * expected);
    const auto low = NoiseDensity(Noise(1'000'000, 0.5), 1000, 4096, 1, 50);
    EXPECT_NEAR(low.floor, expected, 0.02 * expected);

    // A sine's power A^2 / 2 is the sum of its density squared times the bin width; centred on
    // a bin, its peak spreads over the Hann window's 1.5 bins.
    const double binWidth = 1000.0 / 4096;
    for (double cycles : {100.0 / 4096, 0.0612345}) {
        const auto r = NoiseDensity(Sine(100'000, 2, cycles, 5), 1000, 4096);
        double power = 0, peak = 0;
        for (double d : r.density) {
            power += d * d * binWidth;
            peak = std::max(peak, d);
        }
        EXPECT_NEAR(power, 2.0, 1e-3);
        if (cycles * 4096 == 100) {
            EXPECT_NEAR(peak * peak * 1.5 * binWidth, 2.0, 1e-6);
        }
    }
}

TEST(NoiseDensity, RefusesWhatItCannotUse) {
    const Record nan{1, NAN, 3, 4}, ok = Noise(64, 1);
    struct Case {
        DensityResult result;
        const char* error;
    };
    for (const auto& c : {
             Case{NoiseDensity({}, 100, 4), "The record is empty."},
             Case{NoiseDensity(nan, 100, 4), "Sample 1 of the record is not a finite number."},
             Case{NoiseDensity(ok, -1, 4), "The sample rate must be a positive number of hertz."},
             Case{NoiseDensity(ok, 100, 1),
                  "The segment length must be a power of two, at least 2."},
             Case{NoiseDensity(ok, 100, 24),
                  "The segment length must be a power of two, at least 2."},
             Case{NoiseDensity(ok, 100, 128),
                  "The record of 64 samples is shorter than one segment of 128."},
             Case{NoiseDensity(ok, 100, 4, 20, 10),
                  "The band of the floor must lie within 0 to 50 Hz, low end first."},
             Case{NoiseDensity(ok, 100, 4, 10, 60),
                  "The band of the floor must lie within 0 to 50 Hz, low end first."},
         }) {
        EXPECT_EQ(c.result.error, c.error);
        EXPECT_TRUE(c.result.density.empty());
    }

    // Bins at 0, 25 and 50 Hz miss the band; a constant record has no noise to measure. Both
    // keep their density.
    const auto missed = NoiseDensity(ok, 100, 4, 30, 40);
    EXPECT_EQ(missed.error, "No frequency bin lies in the band of the floor: use longer segments.");
    EXPECT_EQ(missed.density.size(), 3u);
    const auto flat = NoiseDensity(Record(64, 2.5), 100, 8);
    EXPECT_EQ(flat.error, "The record is constant: no noise to measure.");
    EXPECT_EQ(flat.density, std::vector<double>(5, 0.0));
    EXPECT_EQ(flat.floor, 0);
}
