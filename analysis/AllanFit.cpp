// Error bars and fitted coefficients of an Allan deviation curve.
#include "analysis/Noise.h"

#include <boost/math/distributions/chi_squared.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace {

constexpr double kSlopeTolerance = 0.25;
// A point's upper bound within 25 % of its deviation.
constexpr double kTightBound = 1.25;

std::string Number(double x) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", x);
    return text;
}

// Local slope of the curve in log-log at point i, through its neighbours; NaN where a
// neighbour is missing or zero.
double LocalSlope(const std::vector<AllanPoint>& p, size_t i) {
    const size_t lo = i > 0 ? i - 1 : i;
    const size_t hi = i + 1 < p.size() ? i + 1 : i;
    if (lo == hi || !(p[lo].deviation > 0) || !(p[hi].deviation > 0)) {
        return NAN;
    }
    return std::log(p[hi].deviation / p[lo].deviation) / std::log(p[hi].tau / p[lo].tau);
}

int AlphaOfSlope(double slope) {
    if (!std::isfinite(slope)) {
        return 0;
    }
    if (slope < -0.75) {
        return 2; // or 1: the caller takes the smaller EDF
    }
    return slope < -0.25 ? 0 : slope < 0.25 ? -1 : -2;
}

bool Tight(const AllanPoint& p) { return p.deviation > 0 && p.high <= kTightBound * p.deviation; }

// A fixed-slope least-squares fit: the weighted mean of log(deviation) - slope log(tau / at).
struct LineFit {
    double sum = 0, weight = 0;
    AllanFit range;

    void Add(const AllanPoint& p, double slope, double at) {
        sum += p.edf * (std::log(p.deviation) - slope * std::log(p.tau / at));
        weight += p.edf;
        range.tauLow = range.points == 0 ? p.tau : range.tauLow;
        range.tauHigh = p.tau;
        ++range.points;
    }
    std::optional<double> Value() const {
        return weight > 0 ? std::optional(std::exp(sum / weight)) : std::nullopt;
    }
};

void FitCoefficients(AllanResult& r, const std::vector<double>& slopes) {
    const auto& p = r.points;
    if (p.size() < 2) {
        r.minimumTau = p[0].tau;
        for (auto* fit : {&r.whiteNoiseFit, &r.biasInstabilityFit, &r.rateRandomWalkFit}) {
            fit->reason = "record too short: one averaging time shows no slope";
        }
        return;
    }
    const size_t iMin = static_cast<size_t>(
        std::min_element(p.begin(), p.end(),
                         [](const auto& a, const auto& b) { return a.deviation < b.deviation; }) -
        p.begin());
    const AllanPoint& floor = p[iMin];
    r.minimumTau = floor.tau;
    const double flicker = std::sqrt(2 * std::numbers::ln2 / std::numbers::pi);
    const std::string tight = " with bounds within 25 % (about 10 degrees of freedom)";

    LineFit white;
    bool whiteSlope = false;
    for (size_t i = 0; i <= iMin; ++i) {
        if (p[i].deviation > 0 && std::abs(slopes[i] + 0.5) <= kSlopeTolerance) {
            whiteSlope = true;
            if (Tight(p[i])) {
                white.Add(p[i], -0.5, 1);
            }
        }
    }
    r.whiteNoise = white.Value();
    r.whiteNoiseFit = white.range;
    if (!r.whiteNoise) {
        r.whiteNoiseFit.reason =
            whiteSlope ? "record too short: no point on the -1/2 slope" + tight
                       : "no -1/2 slope up to the minimum at tau = " + Number(floor.tau) + " s";
    }

    if (iMin + 1 == p.size()) {
        r.biasInstabilityFit.reason = "record too short: the curve still falls at the longest "
                                      "tau, " +
                                      Number(floor.tau) + " s (B is below " +
                                      Number(floor.deviation / flicker) + " record units)";
    } else if (iMin == 0) {
        r.biasInstabilityFit.reason = "no floor: the curve rises from the first tau";
    } else if (!Tight(floor)) {
        r.biasInstabilityFit.reason =
            "record too short: the minimum at tau = " + Number(floor.tau) + " s has no bounds" +
            tight.substr(5);
    } else {
        r.biasInstability = floor.deviation / flicker;
        size_t lo = iMin, hi = iMin;
        auto flat = [&](size_t i) { return Tight(p[i]) && std::abs(slopes[i]) <= kSlopeTolerance; };
        while (lo > 0 && flat(lo - 1)) {
            --lo;
        }
        while (hi + 1 < p.size() && flat(hi + 1)) {
            ++hi;
        }
        r.biasInstabilityFit = {p[lo].tau, p[hi].tau, static_cast<int>(hi - lo + 1), {}};
    }

    LineFit walk;
    std::optional<double> steep; // tau of a rise steeper than +1/2
    for (size_t i = iMin + 1; i < p.size(); ++i) {
        if (std::abs(slopes[i] - 0.5) <= kSlopeTolerance && Tight(p[i]) && p[i].low > floor.high) {
            walk.Add(p[i], 0.5, 3);
        }
        if (!steep && Tight(p[i]) && slopes[i] > 0.5 + kSlopeTolerance) {
            steep = p[i].tau;
        }
    }
    if (steep) {
        r.rateRandomWalkFit.reason = "the curve rises faster than +1/2 at tau = " + Number(*steep) +
                                     " s: a drift or a periodic signal hides any random walk";
    } else if (walk.range.points >= 2) {
        r.rateRandomWalk = walk.Value();
        r.rateRandomWalkFit = walk.range;
    } else if (iMin + 1 == p.size()) {
        r.rateRandomWalkFit.reason =
            "record too short: no tau past the minimum at " + Number(floor.tau) + " s";
    } else {
        r.rateRandomWalkFit.reason = "record too short: fewer than two points past the minimum "
                                     "at " +
                                     Number(floor.tau) + " s on a +1/2 slope" + tight +
                                     " and above the minimum's bound";
    }
}

} // namespace

double AllanEdf(int alpha, int64_t n, int64_t m) {
    const double N = static_cast<double>(n) + 1; // phase points
    const double M = static_cast<double>(m);
    double edf = 1;
    switch (alpha) {
    case 2:
        edf = (N + 1) * (N - 2 * M) / (2 * (N - M));
        break;
    case 1:
        edf =
            std::exp(std::sqrt(std::log((N - 1) / (2 * M)) * std::log((2 * M + 1) * (N - 1) / 4)));
        break;
    case 0:
        edf = (3 * (N - 1) / (2 * M) - 2 * (N - 2) / N) * 4 * M * M / (4 * M * M + 5);
        break;
    case -1:
        edf = m == 1 ? 2 * (N - 2) / (2.3 * N - 4.9) : 5 * N * N / (4 * M * (N + 3 * M));
        break;
    default:
        edf = (N - 2) / (M * (N - 3) * (N - 3)) * ((N - 1) * (N - 1) - 3 * M * (N - 1) + 4 * M * M);
        break;
    }
    return std::isfinite(edf) ? std::max(edf, 1.0) : 1.0;
}

ChiSquaredFactors ChiSquaredBounds(double edf, double probability) {
    const boost::math::chi_squared_distribution<double> chi2(edf);
    return {std::sqrt(edf / boost::math::quantile(chi2, (1 + probability) / 2)),
            std::sqrt(edf / boost::math::quantile(chi2, (1 - probability) / 2))};
}

void CompleteAllan(AllanResult& r, int64_t n) {
    r.samples = n;
    auto& p = r.points;
    if (p.empty()) {
        return;
    }
    std::vector<double> slopes(p.size());
    for (size_t i = 0; i < p.size(); ++i) {
        slopes[i] = LocalSlope(p, i);
        int alpha = AlphaOfSlope(slopes[i]);
        double edf = AllanEdf(alpha, n, p[i].m);
        if (alpha == 2 && AllanEdf(1, n, p[i].m) < edf) {
            alpha = 1;
            edf = AllanEdf(1, n, p[i].m);
        }
        const auto factors = ChiSquaredBounds(edf);
        p[i].noiseAlpha = alpha;
        p[i].edf = edf;
        p[i].low = p[i].deviation * factors.low;
        p[i].high = p[i].deviation * factors.high;
    }
    FitCoefficients(r, slopes);
    // A coefficient read far along its line may overflow where the curve did not.
    for (auto* coefficient : {&r.whiteNoise, &r.biasInstability, &r.rateRandomWalk}) {
        if (*coefficient && !std::isfinite(**coefficient)) {
            coefficient->reset();
        }
    }
}
