// Noise figures of a sensor record: the overlapping Allan deviation with its random-walk and
// bias-instability coefficients. Pure functions over the samples; no application state.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct AllanPoint {
    int64_t m = 0;          // samples averaged
    double tau = 0;         // averaging time m * samplePeriod, s
    double deviation = 0;   // overlapping Allan deviation, the record's units
    double uncertainty = 0; // one standard error of the deviation, same units
};

struct AllanResult {
    // Why the record was refused; empty when the analysis ran. A constant record is refused
    // for the coefficients but keeps its curve (deviation 0 at every averaging time).
    std::string error;
    std::vector<AllanPoint> points; // ascending averaging times
    // White-noise coefficient N (units/sqrt(Hz)): the -1/2 line read at tau = 1 s. For a rate in
    // deg/s it is the angle random walk, 60 * N deg/sqrt(h); for an acceleration the velocity
    // random walk. N squared is the white noise's two-sided power density, so white noise of
    // one-sided amplitude density d gives N = d / sqrt(2).
    std::optional<double> whiteNoise;
    // Bias instability B (units): the curve's minimum divided by sqrt(2 ln 2 / pi) = 0.6643,
    // the flat floor of flicker noise. While the curve still falls at its last point this is
    // only an upper bound; minimumTau says where the minimum lies.
    std::optional<double> biasInstability;
    double minimumTau = 0;
    // Rate random walk K (units * sqrt(Hz)): the +1/2 line read at tau = 3 s. Absent unless at
    // least two points past the minimum lie on a +1/2 slope and stand above the minimum by more
    // than their uncertainty.
    std::optional<double> rateRandomWalk;
};

// Overlapping Allan deviation of a record y[0..n-1] taken every samplePeriod seconds, from
// cumulative sums (O(n) per averaging time):
//   sigma^2(m) = sum_j (ybar_{j+m} - ybar_j)^2 / (2 (n - 2m + 1)),  j = 0 .. n - 2m,
// where ybar_j is the mean of y[j .. j+m-1]. Averaging times are octaves m = 1, 2, 4, ... with
// m <= n / 10. The uncertainty is the usual sigma / sqrt(2 (n/m - 1)), with n/m rounded down:
// that of the non-overlapping estimate, a little pessimistic for this one.
//
// The coefficients are least-squares fits in log-log with the slope fixed (-1/2 for N, +1/2
// for K) over the points whose local slope (through their neighbours) lies within 1/4 of it,
// nearer to it than to the slopes of the other noises, the -1/2 points at or before the
// minimum and the +1/2 points after it; each point weighs n/m - 1, the inverse of its
// relative variance.
AllanResult AllanDeviation(std::span<const double> y, double samplePeriod);
// The same at given averaging times in seconds, each rounded to the nearest whole number of
// samples m (at least 1; tau reports the time used), duplicates merged. Every m needs 2m + 1
// samples.
AllanResult AllanDeviation(std::span<const double> y, double samplePeriod,
                           std::span<const double> taus);
