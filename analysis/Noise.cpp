#include "analysis/Noise.h"

#include "analysis/AllanSums.h"

#include <fftw3.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <numbers>
#include <utility>

namespace {

// FFTW's buffers and plan for one segment length. Its planner is not thread-safe, so plans
// are made and destroyed under one lock; running a plan needs none.
std::mutex planner;

struct RealTransform {
    explicit RealTransform(size_t length)
        : in(fftw_alloc_real(length)), out(fftw_alloc_complex(length / 2 + 1)) {
        const std::lock_guard lock(planner);
        plan = fftw_plan_dft_r2c_1d(static_cast<int>(length), in, out, FFTW_ESTIMATE);
    }
    ~RealTransform() {
        {
            const std::lock_guard lock(planner);
            fftw_destroy_plan(plan);
        }
        fftw_free(out);
        fftw_free(in);
    }
    RealTransform(const RealTransform&) = delete;
    RealTransform& operator=(const RealTransform&) = delete;

    double* in;
    fftw_complex* out;
    fftw_plan plan;
};

// Where the octave series stops: m <= n / kRecordsPerTau.
constexpr int64_t kRecordsPerTau = 10;
// Squared differences summed plainly, then compensated: AllanStream's batch.
constexpr int64_t kChunk = int64_t{1} << 16;

// Refuses what no analysis can use; empty when the samples are all finite.
std::string CheckSamples(std::span<const double> y) {
    if (y.empty()) {
        return "The record is empty.";
    }
    for (size_t i = 0; i < y.size(); ++i) {
        if (!std::isfinite(y[i])) {
            return "Sample " + std::to_string(i) + " of the record is not a finite number.";
        }
    }
    return {};
}

template <typename Result> Result Refused(std::string error) {
    Result r;
    r.error = std::move(error);
    return r;
}

bool PositiveFinite(double x) { return std::isfinite(x) && x > 0; }

// A power of two at the record's largest magnitude. The sums run on the record divided by
// it, so that no finite input overflows them; a power of two changes no digit of the figures.
double ScaleOf(std::span<const double> y) {
    double largest = 0;
    for (double v : y) {
        largest = std::max(largest, std::abs(v));
    }
    int exponent = 0;
    std::frexp(largest, &exponent);
    return largest > 0 ? std::ldexp(1.0, exponent - 1) : 1.0;
}

constexpr const char* kBeyondRange =
    "The figures of this record lie beyond the range of double-precision numbers.";

std::string Number(double x) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", x);
    return text;
}

// The curve at the given m (ascending, each with 2m + 1 <= n) and its coefficients.
AllanResult AllanCurve(std::span<const double> y, double samplePeriod,
                       const std::vector<int64_t>& ms) {
    AllanResult r;
    const auto n = static_cast<int64_t>(y.size());
    r.samples = n;
    if (std::all_of(y.begin(), y.end(), [&](double v) { return v == y.front(); })) {
        for (int64_t m : ms) {
            r.points.push_back({m, static_cast<double>(m) * samplePeriod, 0, 0});
        }
        r.error = "The record is constant: no noise to fit.";
        return r;
    }

    // Running sums of the scaled record less its first sample, as AllanStream keeps them.
    const double scale = ScaleOf(y);
    const double first = y[0] / scale;
    // Every element is written before it is read: no zeroing pass over a long record.
    const auto hi = std::make_unique_for_overwrite<double[]>(y.size() + 1);
    const auto lo = std::make_unique_for_overwrite<double[]>(y.size() + 1);
    RunningSum running;
    hi[0] = lo[0] = 0;
    for (size_t i = 0; i < y.size(); ++i) {
        running.Add(y[i] / scale - first);
        hi[i + 1] = running.hi;
        lo[i + 1] = running.lo;
    }

    for (int64_t m : ms) {
        CompensatedTotal sum;
        for (int64_t q = 2 * m; q <= n; q += kChunk) {
            sum.Add(SumOfSquaredDifferences(hi.get(), lo.get(), m, q, std::min(q + kChunk, n + 1)));
        }
        const auto md = static_cast<double>(m);
        const double deviation =
            std::sqrt(sum.Value() / (2 * md * md * static_cast<double>(n - 2 * m + 1)));
        const double uncertainty = deviation / std::sqrt(2.0 * static_cast<double>(n / m - 1));
        r.points.push_back({m, md * samplePeriod, deviation * scale, uncertainty * scale});
        const auto& p = r.points.back();
        if (!std::isfinite(p.tau) || !std::isfinite(p.deviation) || !std::isfinite(p.uncertainty)) {
            return Refused<AllanResult>(kBeyondRange);
        }
    }
    CompleteAllan(r, n);
    return r;
}

std::string CheckAllanInput(std::span<const double> y, double samplePeriod) {
    if (auto error = CheckSamples(y); !error.empty()) {
        return error;
    }
    if (!PositiveFinite(samplePeriod)) {
        return "The sample period must be a positive number of seconds.";
    }
    return {};
}

} // namespace

AllanResult AllanDeviation(std::span<const double> y, double samplePeriod) {
    if (auto error = CheckAllanInput(y, samplePeriod); !error.empty()) {
        return Refused<AllanResult>(error);
    }
    const auto n = static_cast<int64_t>(y.size());
    if (n < kRecordsPerTau) {
        return Refused<AllanResult>("An Allan deviation needs at least " +
                                    std::to_string(kRecordsPerTau) + " samples.");
    }
    std::vector<int64_t> ms;
    for (int64_t m = 1; m <= n / kRecordsPerTau; m *= 2) {
        ms.push_back(m);
    }
    return AllanCurve(y, samplePeriod, ms);
}

AllanResult AllanDeviation(std::span<const double> y, double samplePeriod,
                           std::span<const double> taus) {
    if (auto error = CheckAllanInput(y, samplePeriod); !error.empty()) {
        return Refused<AllanResult>(error);
    }
    const auto n = static_cast<int64_t>(y.size());
    std::vector<int64_t> ms;
    for (double tau : taus) {
        if (!PositiveFinite(tau)) {
            return Refused<AllanResult>("Averaging times must be positive numbers of seconds.");
        }
        // Checked as a double, so that a huge tau cannot overflow the conversion to an integer.
        const double m = std::max(1.0, std::round(tau / samplePeriod));
        if (2 * m + 1 > static_cast<double>(n)) {
            return Refused<AllanResult>("The record of " + std::to_string(n) +
                                        " samples is too short for tau = " + Number(tau) + " s.");
        }
        ms.push_back(static_cast<int64_t>(m));
    }
    std::sort(ms.begin(), ms.end());
    ms.erase(std::unique(ms.begin(), ms.end()), ms.end());
    return AllanCurve(y, samplePeriod, ms);
}

DensityResult NoiseDensity(std::span<const double> x, double sampleRate, size_t length,
                           double bandLow, double bandHigh) {
    if (auto error = CheckSamples(x); !error.empty()) {
        return Refused<DensityResult>(error);
    }
    if (!PositiveFinite(sampleRate)) {
        return Refused<DensityResult>("The sample rate must be a positive number of hertz.");
    }
    if (length < 2 || !std::has_single_bit(length)) {
        return Refused<DensityResult>("The segment length must be a power of two, at least 2.");
    }
    if (x.size() < length) {
        return Refused<DensityResult>("The record of " + std::to_string(x.size()) +
                                      " samples is shorter than one segment of " +
                                      std::to_string(length) + ".");
    }
    if (!(bandLow >= 0 && bandLow < bandHigh && bandHigh <= sampleRate / 2)) {
        return Refused<DensityResult>("The band of the floor must lie within 0 to " +
                                      Number(sampleRate / 2) + " Hz, low end first.");
    }

    DensityResult r;
    r.bandLow = bandLow;
    r.bandHigh = bandHigh;
    const size_t bins = length / 2 + 1;
    r.frequency.resize(bins);
    for (size_t k = 0; k < bins; ++k) {
        // The rate over a power of two first: the same figure, and no overflow at huge rates.
        r.frequency[k] = static_cast<double>(k) * (sampleRate / static_cast<double>(length));
    }
    const size_t step = length / 2;
    r.segments = static_cast<int64_t>((x.size() - length) / step + 1);
    r.density.assign(bins, 0.0);
    if (std::all_of(x.begin(), x.end(), [&](double v) { return v == x.front(); })) {
        r.error = "The record is constant: no noise to measure.";
        return r;
    }

    std::vector<double> window(length);
    double windowPower = 0;
    for (size_t i = 0; i < length; ++i) {
        window[i] = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) /
                                         static_cast<double>(length));
        windowPower += window[i] * window[i];
    }
    // A real-input transform: length / 2 + 1 complex bins from the windowed segment.
    RealTransform fft(length);
    const double xScale = ScaleOf(x);
    for (size_t start = 0; start + length <= x.size(); start += step) {
        const auto segment = x.subspan(start, length);
        double mean = 0;
        for (double v : segment) {
            mean += v / xScale;
        }
        mean /= static_cast<double>(length);
        for (size_t i = 0; i < length; ++i) {
            fft.in[i] = (segment[i] / xScale - mean) * window[i];
        }
        fftw_execute(fft.plan);
        for (size_t k = 0; k < bins; ++k) {
            r.density[k] += fft.out[k][0] * fft.out[k][0] + fft.out[k][1] * fft.out[k][1];
        }
    }
    const double scale = 1 / (sampleRate * windowPower * static_cast<double>(r.segments));
    if (!(scale > 0) || !std::isfinite(scale)) {
        return Refused<DensityResult>(kBeyondRange);
    }
    for (size_t k = 0; k < bins; ++k) {
        const double oneSided = k == 0 || k == bins - 1 ? 1 : 2;
        r.density[k] = std::sqrt(r.density[k] * scale * oneSided) * xScale;
        if (!std::isfinite(r.density[k]) || !std::isfinite(r.frequency[k])) {
            return Refused<DensityResult>(kBeyondRange);
        }
    }

    std::vector<double> band;
    for (size_t k = 0; k < bins; ++k) {
        if (r.frequency[k] >= bandLow && r.frequency[k] <= bandHigh) {
            band.push_back(r.density[k]);
        }
    }
    if (band.empty()) {
        r.error = "No frequency bin lies in the band of the floor: use longer segments.";
        return r;
    }
    const auto middle = band.begin() + static_cast<std::ptrdiff_t>(band.size() / 2);
    std::nth_element(band.begin(), middle, band.end());
    r.floor = *middle;
    if (band.size() % 2 == 0) {
        r.floor = r.floor / 2 + *std::max_element(band.begin(), middle) / 2;
    }
    return r;
}

DensityResult NoiseDensity(std::span<const double> x, double sampleRate, size_t length) {
    return NoiseDensity(x, sampleRate, length, 0.1 * sampleRate, 0.4 * sampleRate);
}
