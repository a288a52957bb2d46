// Noise figures of a sensor record: the overlapping Allan deviation with its random-walk and
// bias-instability coefficients, and the noise density. Pure functions over the samples; no
// application state.
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
    // 68 % chi-squared bounds of the deviation from edf, the equivalent degrees of freedom of
    // the overlapping estimator for the noise type its local slope shows (noiseAlpha: the
    // power-law exponent of the frequency noise, 2 white phase ... -2 random-walk frequency).
    double low = 0, high = 0;
    double edf = 0;
    int noiseAlpha = 0;
    bool exact = true; // false: AllanStream's estimator with spaced window starts
};

// The taus a coefficient was read over, or why there is none.
struct AllanFit {
    double tauLow = 0, tauHigh = 0; // s
    int points = 0;                 // curve points used
    std::string reason;             // empty when the coefficient is present
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
    // the flat floor of flicker noise. Absent while the curve still falls at its last point
    // (its reason gives the bound); minimumTau says where the minimum lies.
    std::optional<double> biasInstability;
    double minimumTau = 0;
    // Rate random walk K (units * sqrt(Hz)): the +1/2 line read at tau = 3 s. Which points
    // each fit takes: CompleteAllan.
    std::optional<double> rateRandomWalk;
    AllanFit whiteNoiseFit, biasInstabilityFit, rateRandomWalkFit;
    int64_t samples = 0; // in the record
};

// Overlapping Allan deviation of a record y[0..n-1] taken every samplePeriod seconds, from
// cumulative sums (O(n) per averaging time; AllanSums.h keeps their digits):
//   sigma^2(m) = sum_j (ybar_{j+m} - ybar_j)^2 / (2 (n - 2m + 1)),  j = 0 .. n - 2m,
// where ybar_j is the mean of y[j .. j+m-1]. Averaging times are octaves m = 1, 2, 4, ... with
// m <= n / 10. The uncertainty is the usual sigma / sqrt(2 (n/m - 1)), with n/m rounded down:
// that of the non-overlapping estimate, a little pessimistic for this one. The bounds and
// coefficients are CompleteAllan's.
AllanResult AllanDeviation(std::span<const double> y, double samplePeriod);
// The same at given averaging times in seconds, each rounded to the nearest whole number of
// samples m (at least 1; tau reports the time used), duplicates merged. Every m needs 2m + 1
// samples.
AllanResult AllanDeviation(std::span<const double> y, double samplePeriod,
                           std::span<const double> taus);

struct DensityResult {
    std::string error;                // why the record was refused; empty when the analysis ran
    std::vector<double> frequency;    // Hz: bins 0 .. L/2, sampleRate / L apart
    std::vector<double> density;      // one-sided amplitude density, units/sqrt(Hz)
    double floor = 0;                 // white-noise floor: median density over the band
    double bandLow = 0, bandHigh = 0; // Hz, the band of the floor
    int64_t segments = 0;             // periodograms averaged
};

// Amplitude noise density by Welch's method: segments of L = length samples (a power of two)
// overlapping by half, each less its mean and weighted by the periodic Hann window
// w[i] = (1 - cos(2 pi i / L)) / 2; their periodograms |X[k]|^2 / (sampleRate * sum w^2)
// averaged, doubled except at 0 and sampleRate / 2 for the one-sided density, and square-rooted.
// Dividing by sum w^2 scales for the window's equivalent noise bandwidth (1.5 bins for Hann):
// white noise of standard deviation s reads s / sqrt(sampleRate / 2). Samples past the last
// whole segment are left out. The floor is the median over the bins in [bandLow, bandHigh]:
// with K segments averaged it reads about 1/(6K) low, as the median of a spread-out average.
// A constant record is refused, with a density of 0.
// The error bars and coefficients of a curve whose points hold m, tau and deviation, from a
// record of n samples: what AllanDeviation and AllanStream do after the curve.
//
// Noise type per point from the local slope mu/2 of the curve through its neighbours (sigma
// ~ tau^(mu/2)), rounded to the nearest of -1 (white or flicker phase; the two are not told
// apart by the slope, and the smaller EDF of the two is taken), -1/2 (white frequency), 0
// (flicker frequency), +1/2 and steeper (random-walk frequency); white frequency where a point
// has no neighbour. Its EDF is AllanEdf's; its bounds ChiSquaredBounds' at 68 %.
//
// Fits use the points whose bounds are tight, high <= 1.25 deviation (about edf >= 10),
// and whose local slope is within 1/4 of the line's, nearer to it than to the neighbouring
// noises' (1/2 apart); each point weighs its EDF in a least-squares fit of log(deviation) with
// the slope fixed. N (the -1/2 line at tau = 1 s) over such points up to the minimum; B (the
// minimum over sqrt(2 ln 2 / pi) = 0.6643) when the minimum is a tight point inside the curve,
// its range the tight points next to it with a flat slope; K (the +1/2 line at tau = 3 s)
// over at least two such points past the minimum whose low bound stands above the minimum's
// high bound, unless a tight point past the minimum rises faster than +3/4 (a drift or a
// sine, which hides a random walk). Otherwise the coefficient is absent and its fit says why.
void CompleteAllan(AllanResult& r, int64_t n);

// Equivalent degrees of freedom of the overlapping Allan variance of n frequency samples
// (N = n + 1 phase points) at m samples averaged, for power-law frequency noise of exponent
// alpha (2 white phase, 1 flicker phase, 0 white frequency, -1 flicker frequency, -2 random-
// walk frequency): the approximations of Howe, Allan and Barnes (1981) that NIST SP 1065
// tabulates. At least 1.
double AllanEdf(int alpha, int64_t n, int64_t m);
// The deviation's factors for a two-sided interval of the given probability from the
// chi-squared distribution of edf degrees of freedom: low = sqrt(edf / chi2_{(1+p)/2}),
// high = sqrt(edf / chi2_{(1-p)/2}).
struct ChiSquaredFactors {
    double low = 0, high = 0;
};
ChiSquaredFactors ChiSquaredBounds(double edf, double probability = 0.68);

DensityResult NoiseDensity(std::span<const double> x, double sampleRate, size_t length,
                           double bandLow, double bandHigh);
// The same with the floor over 10 % to 40 % of the sample rate, clear of the bins next to 0 Hz
// and of the edge at sampleRate / 2.
DensityResult NoiseDensity(std::span<const double> x, double sampleRate, size_t length);
