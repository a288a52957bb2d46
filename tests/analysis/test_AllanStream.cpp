#include "analysis/AllanStream.h"
#include "analysis/NoiseParameters.h"

#include <quelto/Analysis.h>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

using Record = std::vector<double>;

// White noise, a random walk, a drift and an offset; the same seed every time.
Record Signal(size_t n, double sigma, double step, double drift, double offset) {
    std::mt19937_64 generator(7);
    std::normal_distribution<double> normal;
    Record y(n);
    double walk = offset;
    for (size_t i = 0; i < n; ++i) {
        walk += step * normal(generator) + drift;
        y[i] = sigma * normal(generator) + walk;
    }
    return y;
}

// The deviation at small m from differences of samples, which need no running sums.
double Direct(const Record& y, int64_t m) {
    double sum = 0;
    const auto n = static_cast<int64_t>(y.size());
    for (int64_t j = 0; j + 2 * m <= n; ++j) {
        double d = 0;
        for (int64_t i = 0; i < m; ++i) {
            d += y[j + m + i] - y[j + i];
        }
        sum += d * d;
    }
    return std::sqrt(sum / (2.0 * m * m * static_cast<double>(n - 2 * m + 1)));
}

AllanResult Streamed(const Record& y, double period) {
    AllanStream stream(period);
    // Uneven pieces, so that the batches' edges fall anywhere.
    for (size_t at = 0; at < y.size(); at += 7777) {
        stream.Add(std::span(y).subspan(at, std::min<size_t>(7777, y.size() - at)));
    }
    return stream.Result();
}

} // namespace

// Every octave up to the exact limit agrees with the offline curve to 1e-9, bounds and fits
// alike, and both with differences of samples at small m. A drift of a unit a sample over 2^21
// samples grows the running sums to 10^12 times the noise, as 10^8 samples of a random walk
// do: plain running sums would be 1e-8 off.
TEST(AllanStream, EqualsTheOfflineCurve) {
    struct Case {
        size_t n;
        double sigma, step, drift, offset;
    } const cases[] = {
        {10, 1, 0, 0, 0},           {1000, 1, 0, 0, 5e3},
        {300'001, 1, 1e-3, 0, 0},   {2'097'152, 0, 0, 0.1, 1e3},
        {2'097'152, 1, 1, 1, -7e9}, {2000, 1e300, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const Record y = Signal(c.n, c.sigma, c.step, c.drift, c.offset);
        const AllanResult offline = AllanDeviation(y, 0.01), streamed = Streamed(y, 0.01);
        ASSERT_EQ(offline.error, "");
        ASSERT_EQ(streamed.error, "");
        ASSERT_EQ(streamed.points.size(), offline.points.size()) << c.n;
        for (size_t i = 0; i < offline.points.size(); ++i) {
            const auto &a = offline.points[i], &b = streamed.points[i];
            EXPECT_EQ(a.m, b.m);
            const double tolerance = (b.exact ? 1e-9 : 2e-2) * a.deviation;
            EXPECT_NEAR(b.deviation, a.deviation, tolerance) << c.n << " m " << a.m;
            EXPECT_NEAR(b.high, a.high, (b.exact ? 1e-9 : 2e-2) * a.high);
            if (a.m <= 4 && c.sigma < 1e100) {
                EXPECT_NEAR(a.deviation, Direct(y, a.m), 1e-9 * a.deviation) << c.n;
            }
        }
        EXPECT_EQ(streamed.whiteNoise.has_value(), offline.whiteNoise.has_value());
        EXPECT_EQ(streamed.rateRandomWalkFit.points, offline.rateRandomWalkFit.points);
    }
    // A record that starts small and grows past 10^300 is rescaled on the way.
    const Record wild{1, 1e300, -1e300, 3e299, 0, -2e300, 1e-300, 5e299, 1, -1e300, 7e299, 2};
    const double expected = AllanDeviation(wild, 1).points[0].deviation;
    EXPECT_NEAR(Streamed(wild, 1).points[0].deviation, expected, 1e-9 * expected);
    // The library's stream is this one, its refusals thrown.
    const Record y = Signal(5000, 1, 0, 0, 0);
    quelto::AllanStream api(100);
    api.add(y.data(), y.size());
    EXPECT_EQ(api.result().points.back().deviation, Streamed(y, 0.01).points.back().deviation);
    EXPECT_THROW(quelto::AllanStream(100).result(), quelto::Error);
    // As the offline computation, a refusal says why.
    AllanStream stream(1);
    EXPECT_EQ(stream.Result().error, "The record is empty.");
    stream.Add(Record(12, 2.5));
    EXPECT_NE(stream.Result().error.find("constant"), std::string::npos);
    stream.Add(NAN);
    EXPECT_EQ(stream.Result().error, "Sample 12 of the record is not a finite number.");
    EXPECT_NE(AllanStream(0).Result().error.find("sample period"), std::string::npos);
}

// 68.3 % bounds as published for a GPS receiver's 1 pps phase record of 241 218 points (241 217
// frequency samples here), where the noise was white phase (alpha 2) or white frequency (0).
// They came from Greenhall's exact EDF, which the simple formulas follow within 2 %: the
// bounds' factors agree to 0.6 %.
TEST(AllanStream, ErrorBarsMatchPublishedValues) {
    struct Row {
        int alpha;
        int64_t m;
        double low, deviation, high;
    } const rows[] = {
        {2, 1, 6.1122e-09, 6.1244e-09, 6.1367e-09},
        {2, 64, 1.6844e-10, 1.6878e-10, 1.6911e-10},
        {0, 8192, 1.5384e-12, 1.6969e-12, 1.9173e-12},
        {0, 16384, 8.7293e-13, 9.9992e-13, 1.2055e-12},
        {0, 32768, 6.3634e-13, 7.6823e-13, 1.0423e-12},
    };
    for (const auto& row : rows) {
        const auto f = ChiSquaredBounds(AllanEdf(row.alpha, 241217, row.m), 0.683);
        EXPECT_NEAR(f.low, row.low / row.deviation, 6e-3 * f.low) << row.m;
        EXPECT_NEAR(f.high, row.high / row.deviation, 6e-3 * f.high) << row.m;
    }
}

// A coefficient comes with the taus it was read over, or with the reason it is absent. A 0.8 s
// record still holding the sine supports no rate random walk at any of its frequencies; an
// hour of white noise and a random walk at 100 Hz supports N and K, and B only as a bound.
TEST(AllanStream, FitsOnlyWhereTheRecordSupportsThem) {
    for (double hz : {0.5, 1.0, 2.0, 5.0, 10.0, 20.0, 50.0}) {
        std::mt19937_64 generator(3);
        std::normal_distribution<double> normal;
        Record y(318);
        for (size_t i = 0; i < y.size(); ++i) {
            y[i] = std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / 397.5) +
                   0.05 * normal(generator);
        }
        const auto r = AllanDeviation(y, 1 / 397.5);
        EXPECT_FALSE(r.rateRandomWalk) << hz << " Hz";
        EXPECT_NE(r.rateRandomWalkFit.reason, "") << hz << " Hz";
    }
    const auto r = AllanDeviation(Signal(360'000, 1, 1e-3, 0, 0), 0.01);
    ASSERT_TRUE(r.whiteNoise && r.rateRandomWalk);
    EXPECT_NEAR(*r.whiteNoise, 0.1, 0.005);
    EXPECT_NEAR(*r.rateRandomWalk, 0.01, 0.002);
    EXPECT_EQ(r.whiteNoiseFit.tauLow, 0.01);
    EXPECT_GT(r.rateRandomWalkFit.points, 1);
    EXPECT_GT(r.rateRandomWalkFit.tauLow, r.minimumTau);
    for (const auto& p : r.points) {
        EXPECT_LT(p.low, p.deviation);
        EXPECT_GT(p.high, p.deviation);
    }
}

// The IEEE 952 table and the calibration YAML: units converted, the convention stated, an
// absent coefficient null with its reason, never 0.
TEST(AllanStream, ParametersForOtherTools) {
    AllanResult r;
    r.samples = 1000;
    r.whiteNoise = 0.1;      // deg/s*sqrt(s), or g*sqrt(s)
    r.rateRandomWalk = 1e-3; // deg/s/sqrt(s), or g/sqrt(s)
    r.whiteNoiseFit = {0.01, 1, 7, {}};
    r.rateRandomWalkFit = {10, 40, 3, {}};
    r.biasInstabilityFit.reason = "record too short: the curve still falls";
    const std::pair<std::string, const char*> cases[] = {
        {Ieee952Table(r, SensorKind::Gyroscope, "x"), " 6  deg/sqrt(h)"},
        {Ieee952Table(r, SensorKind::Gyroscope, "x"),
         "216  deg/h/sqrt(h)  tau 10 to 40 s, 3 points"},
        {Ieee952Table(r, SensorKind::Gyroscope, "x"), "absent  deg/h          record too short"},
        {Ieee952Table(r, SensorKind::Accelerometer, "x"), "58.84  m/s/sqrt(h)"},
        {Ieee952Table(r, SensorKind::Accelerometer, "x"), "2118  m/s/h^1.5"},
        {CalibrationYaml(r, SensorKind::Gyroscope, 100, "x"),
         "gyroscope_noise_density: 0.00174533"},
        {CalibrationYaml(r, SensorKind::Gyroscope, 100, "x"), "one-sided 0.00246827"},
        {CalibrationYaml(r, SensorKind::Gyroscope, 100, "x"), "gyroscope_random_walk: 1.74533e-05"},
        {CalibrationYaml(r, SensorKind::Accelerometer, 100, "x"),
         "accelerometer_noise_density: 0.980665"},
        {CalibrationYaml(r, SensorKind::Accelerometer, 100, "x"), "tau = 1 s"},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_NE(text.find(expected), std::string::npos) << text;
    }
    r.rateRandomWalk.reset();
    r.rateRandomWalkFit = {0, 0, 0, "record too short: no tau past the minimum"};
    EXPECT_NE(CalibrationYaml(r, SensorKind::Gyroscope, 100, "x")
                  .find("gyroscope_random_walk: null  # absent: record too short"),
              std::string::npos);
    EXPECT_EQ(KindOfUnits("Dgr/S"), SensorKind::Gyroscope);
    EXPECT_EQ(KindOfUnits("G"), SensorKind::Accelerometer);
    EXPECT_EQ(KindOfUnits("Volts"), std::nullopt);
}
