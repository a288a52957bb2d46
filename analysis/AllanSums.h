// The running sums both Allan computations share, so that the streaming one gives the offline
// one's digits: S[i] = y[0] + ... + y[i-1] of the record less its first sample, kept as hi, the
// plain running sum, and lo, the exact rounding errors of its additions summed apart. Over a
// window the differences of hi and of lo are each accurate to their own size, so that
// S[j+m] - S[j] keeps its digits when S has grown to 10^12 times a sample, as it does after
// 10^8 samples of a random walk.
#pragma once

#include <cmath>
#include <cstdint>

struct RunningSum {
    double hi = 0, lo = 0;

    void Add(double v) {
        const double s = hi + v;
        const double b = s - hi;
        lo += (hi - (s - b)) + (v - b); // Knuth's two-sum: hi + v == s + error exactly
        hi = s;
    }
};

// Sum over q in [from, to) of (S[q] - 2 S[q-m] + S[q-2m])^2, m (ybar_{q-m} - ybar_{q-2m})
// squared, with S at hi[q] + lo[q]. Four partial sums let the additions overlap.
inline double SumOfSquaredDifferences(const double* hi, const double* lo, int64_t m, int64_t from,
                                      int64_t to) {
    auto term = [&](int64_t q) {
        const double d = ((hi[q] - hi[q - m]) - (hi[q - m] - hi[q - 2 * m])) +
                         ((lo[q] - lo[q - m]) - (lo[q - m] - lo[q - 2 * m]));
        return d * d;
    };
    double a = 0, b = 0, c = 0, e = 0;
    int64_t q = from;
    for (; q + 4 <= to; q += 4) {
        a += term(q);
        b += term(q + 1);
        c += term(q + 2);
        e += term(q + 3);
    }
    for (; q < to; ++q) {
        a += term(q);
    }
    return (a + b) + (c + e);
}

// A total of many partial sums, compensated (Neumaier), so that 10^8 terms cost no digits.
struct CompensatedTotal {
    double sum = 0, error = 0;

    void Add(double v) {
        const double s = sum + v;
        error += std::abs(sum) >= std::abs(v) ? (sum - s) + v : (v - s) + sum;
        sum = s;
    }
    double Value() const { return sum + error; }
};
