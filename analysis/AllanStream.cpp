#include "analysis/AllanStream.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "analysis/AllanSums.h"

namespace {

constexpr int kExactOctaves = 16; // m = 1 .. kExactLimit
static_assert(int64_t{1} << (kExactOctaves - 1) == AllanStream::kExactLimit);
// Octaves past the exact ones, up to m = 2^40: records of 10^13 samples.
constexpr int kSpacedOctaves = 25;
constexpr int64_t kHistory = 2 * AllanStream::kExactLimit; // sums kept behind the new ones
constexpr int64_t kBatch = int64_t{1} << 16;               // sums taken before they are used
constexpr int64_t kRecordsPerTau = 10;                     // as AllanDeviation's octaves

// An octave past the exact ones: the sums at every d-th sample, the last 2m / d + 1 of them.
struct SpacedOctave {
    int64_t m = 0, d = 0;
    std::vector<double> hi, lo; // a ring
    size_t next = 0;
    int64_t taken = 0;
    CompensatedTotal total;
    int64_t terms = 0;
};

// Past it the sums of squares could overflow: the record is rescaled.
constexpr double kLargest = 0x1p400;

} // namespace

struct AllanStream::State {
    double period = 0;
    std::string error;
    int64_t count = 0;
    double first = 0; // the first sample over scale
    // A power of two every figure is kept over (as AllanDeviation's ScaleOf), so that no
    // finite record overflows the sums; it grows with the record's largest magnitude.
    double scale = 1;
    bool varied = false;
    RunningSum running;
    // S[base .. base + filled) of the record; the terms up to S[processed - 1] are summed.
    std::vector<double> hi, lo;
    int64_t base = 0, filled = 0, processed = 0;
    std::array<CompensatedTotal, kExactOctaves> exact{};
    std::vector<SpacedOctave> spaced;

    void Sum(std::array<CompensatedTotal, kExactOctaves>& into, int64_t to) const {
        for (int k = 0; k < kExactOctaves; ++k) {
            const int64_t m = int64_t{1} << k;
            const int64_t from = std::max(processed, 2 * m);
            if (from < to) {
                into[k].Add(
                    SumOfSquaredDifferences(hi.data(), lo.data(), m, from - base, to - base));
            }
        }
    }

    void Store() {
        hi[filled] = running.hi;
        lo[filled] = running.lo;
        ++filled;
        const int64_t index = base + filled - 1; // of this sum
        if ((index & (spaced.front().d - 1)) == 0) {
            for (auto& o : spaced) {
                if ((index & (o.d - 1)) != 0) {
                    break; // d doubles from one octave to the next
                }
                Push(o);
            }
        }
        if (filled == static_cast<int64_t>(hi.size())) {
            Sum(exact, base + filled);
            processed = base + filled;
            std::memmove(hi.data(), hi.data() + filled - kHistory, kHistory * sizeof(double));
            std::memmove(lo.data(), lo.data() + filled - kHistory, kHistory * sizeof(double));
            base += filled - kHistory;
            filled = kHistory;
        }
    }

    // Every figure over 2^shift more: exact, as a power of two.
    void Rescale(int shift) {
        auto values = [shift](std::vector<double>& v) {
            for (double& x : v) {
                x = std::ldexp(x, -shift);
            }
        };
        auto squares = [shift](CompensatedTotal& t) {
            t.sum = std::ldexp(t.sum, -2 * shift);
            t.error = std::ldexp(t.error, -2 * shift);
        };
        values(hi);
        values(lo);
        running.hi = std::ldexp(running.hi, -shift);
        running.lo = std::ldexp(running.lo, -shift);
        first = std::ldexp(first, -shift);
        scale = std::ldexp(scale, shift);
        for (auto& t : exact) {
            squares(t);
        }
        for (auto& o : spaced) {
            values(o.hi);
            values(o.lo);
            squares(o.total);
        }
    }

    void Push(SpacedOctave& o) {
        const size_t size = o.hi.size();
        o.hi[o.next] = running.hi;
        o.lo[o.next] = running.lo;
        ++o.taken;
        if (o.taken >= static_cast<int64_t>(size)) {
            // The ring's newest is S[q]; S[q - m] and S[q - 2m] lie half and all the way back.
            const size_t half = (size - 1) / 2;
            const size_t q = o.next, a = (q + size - half) % size, b = (q + 1) % size;
            const double d = ((o.hi[q] - o.hi[a]) - (o.hi[a] - o.hi[b])) +
                             ((o.lo[q] - o.lo[a]) - (o.lo[a] - o.lo[b]));
            o.total.Add(d * d);
            ++o.terms;
        }
        o.next = (o.next + 1) % size;
    }
};

AllanStream::AllanStream(double samplePeriod) : s_(std::make_unique<State>()) {
    s_->period = samplePeriod;
    if (!(std::isfinite(samplePeriod) && samplePeriod > 0)) {
        s_->error = "The sample period must be a positive number of seconds.";
    }
    s_->hi.resize(kHistory + kBatch);
    s_->lo.resize(kHistory + kBatch);
    for (int k = 0; k < kSpacedOctaves; ++k) {
        SpacedOctave o;
        o.m = kExactLimit << (k + 1);
        o.d = o.m / kStartsPerWindow;
        o.hi.resize(2 * kStartsPerWindow + 1);
        o.lo.resize(2 * kStartsPerWindow + 1);
        s_->spaced.push_back(std::move(o));
    }
    s_->Store(); // S[0] = 0
}

AllanStream::~AllanStream() = default;

void AllanStream::Add(double y) {
    State& s = *s_;
    if (!s.error.empty()) {
        ++s.count;
        return;
    }
    if (!std::isfinite(y)) {
        s.error = "Sample " + std::to_string(s.count) + " of the record is not a finite number.";
        ++s.count;
        return;
    }
    if (s.count == 0) {
        int exponent = 0;
        std::frexp(y, &exponent);
        s.scale = y != 0 ? std::ldexp(1.0, exponent - 1) : 1.0;
        s.first = y / s.scale;
    }
    double v = y / s.scale - s.first;
    if (std::abs(v) > kLargest) {
        int exponent = 0;
        std::frexp(v, &exponent);
        s.Rescale(exponent);
        v = y / s.scale - s.first;
    }
    s.varied = s.varied || v != 0;
    ++s.count;
    s.running.Add(v);
    s.Store();
}

void AllanStream::Add(std::span<const double> y) {
    for (double v : y) {
        Add(v);
    }
}

int64_t AllanStream::Count() const { return s_->count; }

AllanResult AllanStream::Result() const {
    const State& s = *s_;
    AllanResult r;
    r.samples = s.count;
    if (!s.error.empty()) {
        r.error = s.error;
        return r;
    }
    if (s.count == 0) {
        r.error = "The record is empty.";
        return r;
    }
    if (s.count < kRecordsPerTau) {
        r.error =
            "An Allan deviation needs at least " + std::to_string(kRecordsPerTau) + " samples.";
        return r;
    }
    const int64_t n = s.count;
    auto totals = s.exact;
    s.Sum(totals, s.base + s.filled);
    for (int64_t m = 1, k = 0; m <= n / kRecordsPerTau; m *= 2, ++k) {
        double sum = 0;
        int64_t terms = 0;
        bool exact = k < kExactOctaves;
        if (exact) {
            sum = totals[k].Value();
            terms = n - 2 * m + 1;
        } else if (k - kExactOctaves < kSpacedOctaves) {
            const auto& o = s.spaced[k - kExactOctaves];
            sum = o.total.Value();
            terms = o.terms;
        } else {
            break;
        }
        const auto md = static_cast<double>(m);
        const double deviation =
            s.varied ? std::sqrt(sum / (2 * md * md * static_cast<double>(terms))) : 0.0;
        const double uncertainty =
            s.varied ? deviation / std::sqrt(2.0 * static_cast<double>(n / m - 1)) : 0.0;
        AllanPoint p{m, md * s.period, deviation * s.scale, uncertainty * s.scale};
        p.exact = exact;
        if (!std::isfinite(p.tau) || !std::isfinite(p.deviation) || !std::isfinite(p.uncertainty)) {
            AllanResult refused;
            refused.error =
                "The figures of this record lie beyond the range of double-precision numbers.";
            return refused;
        }
        r.points.push_back(p);
    }
    if (!s.varied) {
        r.error = "The record is constant: no noise to fit.";
        return r;
    }
    CompleteAllan(r, n);
    return r;
}
