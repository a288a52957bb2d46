#include "analysis/Spectrum.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

// Built with -ffp-contract=off: a fused multiply-add would change the bits. The kernels take
// their arrays as restrict parameters, which is what lets the compiler vectorise them.

// Wider vectors where the processor has them: the same operations, so the same bits.
#if defined(__GNUC__) && defined(__x86_64__)
#define WIDER_VECTORS __attribute__((target_clones("avx", "default")))
#else
#define WIDER_VECTORS
#endif

namespace {

// The eight-decimal pi the twiddle recurrence has always used.
constexpr double kP = 3.14159265;

// Twiddles of the stage with half-size h, by the recurrence: each is the previous one rotated
// by (cos(P/h), -sin(P/h)), so they carry the same rounding as when rotated inside the loop.
void StageTwiddles(size_t h, double* wr, double* wi) {
    const double sr = std::cos(kP / static_cast<double>(h));
    const double si = -std::sin(kP / static_cast<double>(h));
    double ur = 1.0;
    double ui = 0.0;
    for (size_t j = 0; j < h; ++j) {
        wr[j] = ur;
        wi[j] = ui;
        const double t = ur;
        ur = t * sr - ui * si;
        ui = t * si + ui * sr;
    }
}

// Twiddles of every stage up to length n, the stage with half-size h at [h, 2h). They depend
// on the stage alone, so each thread computes them once and only adds stages for longer
// transforms.
struct Twiddles {
    const double* re;
    const double* im;
};

Twiddles TwiddlesUpTo(size_t n) {
    thread_local std::vector<double> re;
    thread_local std::vector<double> im;
    if (re.size() < n) {
        size_t h = std::max<size_t>(re.size(), 1);
        re.resize(n);
        im.resize(n);
        for (; h < n; h *= 2) {
            StageTwiddles(h, &re[h], &im[h]);
        }
    }
    return {re.data(), im.data()};
}

// One stage on the half-blocks a and b: each pair of points with its twiddle.
inline void Butterflies(double* __restrict ar, double* __restrict ai, double* __restrict br,
                        double* __restrict bi, const double* __restrict wr,
                        const double* __restrict wi, size_t h) {
    for (size_t j = 0; j < h; ++j) {
        const double tr = br[j] * wr[j] - bi[j] * wi[j];
        const double ti = br[j] * wi[j] + bi[j] * wr[j];
        br[j] = ar[j] - tr;
        bi[j] = ai[j] - ti;
        ar[j] = ar[j] + tr;
        ai[j] = ai[j] + ti;
    }
}

// Two stages, half-sizes h and 2h, on the quarter-blocks a, b, c, d with one load and one
// store of each point: (a, b) and (c, d) with w1, then (a, c) with w2 and (b, d) with w3 (the
// two halves of the 2h stage's twiddles).
inline void ButterfliesTwice(double* __restrict ar, double* __restrict ai, double* __restrict br,
                             double* __restrict bi, double* __restrict cr, double* __restrict ci,
                             double* __restrict dr, double* __restrict di,
                             const double* __restrict w1r, const double* __restrict w1i,
                             const double* __restrict w2r, const double* __restrict w2i,
                             const double* __restrict w3r, const double* __restrict w3i, size_t h) {
    for (size_t j = 0; j < h; ++j) {
        double xar = ar[j], xai = ai[j], xbr = br[j], xbi = bi[j];
        double xcr = cr[j], xci = ci[j], xdr = dr[j], xdi = di[j];
        double tr = xbr * w1r[j] - xbi * w1i[j];
        double ti = xbr * w1i[j] + xbi * w1r[j];
        xbr = xar - tr;
        xbi = xai - ti;
        xar = xar + tr;
        xai = xai + ti;
        tr = xdr * w1r[j] - xdi * w1i[j];
        ti = xdr * w1i[j] + xdi * w1r[j];
        xdr = xcr - tr;
        xdi = xci - ti;
        xcr = xcr + tr;
        xci = xci + ti;

        tr = xcr * w2r[j] - xci * w2i[j];
        ti = xcr * w2i[j] + xci * w2r[j];
        cr[j] = xar - tr;
        ci[j] = xai - ti;
        ar[j] = xar + tr;
        ai[j] = xai + ti;
        tr = xdr * w3r[j] - xdi * w3i[j];
        ti = xdr * w3i[j] + xdi * w3r[j];
        dr[j] = xbr - tr;
        di[j] = xbi - ti;
        br[j] = xbr + tr;
        bi[j] = xbi + ti;
    }
}

// The stages with half-sizes h up to n/2, on blocks of their own size, two at a time.
WIDER_VECTORS void Stages(double* xr, double* xi, size_t n, size_t h, Twiddles w) {
    if (std::countr_zero(n / h) % 2 != 0) {
        for (size_t b = 0; b < n; b += 2 * h) {
            Butterflies(xr + b, xi + b, xr + b + h, xi + b + h, w.re + h, w.im + h, h);
        }
        h *= 2;
    }
    for (; h < n; h *= 4) {
        for (size_t b = 0; b < n; b += 4 * h) {
            double* ar = xr + b;
            double* ai = xi + b;
            ButterfliesTwice(ar, ai, ar + h, ai + h, ar + 2 * h, ai + 2 * h, ar + 3 * h, ai + 3 * h,
                             w.re + h, w.im + h, w.re + 2 * h, w.im + 2 * h, w.re + 3 * h,
                             w.im + 3 * h, h);
        }
    }
}

// Bit reversal and the first three stages, 64 points at a time. With the index split into
// (top 3 bits, middle, low 3 bits), point (a, m, c) comes from (rev c, rev m, rev a): the tile
// of middle m is the 8 rows of 8 neighbours at middle rev m, with rows and columns swapped.
// The first stages pair points of different c, so they run on whole rows before the tile is
// transposed into place. Tiles m and rev m trade places, so both are read before either is
// written.
constexpr int kTileBits = 3;
constexpr size_t kTile = 1 << kTileBits;
constexpr size_t kRev3[kTile] = {0, 4, 2, 6, 1, 5, 3, 7};

struct Tile {
    double re[kTile][kTile];
    double im[kTile][kTile];
};

size_t ReverseBits(size_t i, int bits) {
    size_t r = 0;
    for (int b = 0; b < bits; ++b) {
        r = (r << 1) | ((i >> b) & 1);
    }
    return r;
}

inline void RowButterflies(double* __restrict ar, double* __restrict ai, double* __restrict br,
                           double* __restrict bi, double wr, double wi) {
    for (size_t k = 0; k < kTile; ++k) {
        const double tr = br[k] * wr - bi[k] * wi;
        const double ti = br[k] * wi + bi[k] * wr;
        br[k] = ar[k] - tr;
        bi[k] = ai[k] - ti;
        ar[k] = ar[k] + tr;
        ai[k] = ai[k] + ti;
    }
}

// Reads a tile with the first stage done on the way: its rows c and c + 1 are the source rows
// rev c and rev c + 4.
inline void ReadTile(Tile& __restrict t, const double* __restrict re, const double* __restrict im,
                     size_t rowStride, size_t from, Twiddles w) {
    const double wr = w.re[1];
    const double wi = w.im[1];
    for (size_t c = 0; c < kTile; c += 2) {
        const double* ar = re + kRev3[c] * rowStride + from;
        const double* ai = im + kRev3[c] * rowStride + from;
        const double* br = ar + kTile / 2 * rowStride;
        const double* bi = ai + kTile / 2 * rowStride;
        for (size_t k = 0; k < kTile; ++k) {
            const double tr = br[k] * wr - bi[k] * wi;
            const double ti = br[k] * wi + bi[k] * wr;
            t.re[c + 1][k] = ar[k] - tr;
            t.im[c + 1][k] = ai[k] - ti;
            t.re[c][k] = ar[k] + tr;
            t.im[c][k] = ai[k] + ti;
        }
    }
}

inline void SecondAndThirdStages(Tile& t, Twiddles w) {
    for (size_t h = 2; h < kTile; h *= 2) {
        for (size_t c = 0; c < kTile; c += 2 * h) {
            for (size_t j = 0; j < h; ++j) {
                RowButterflies(t.re[c + j], t.im[c + j], t.re[c + j + h], t.im[c + j + h],
                               w.re[h + j], w.im[h + j]);
            }
        }
    }
}

// Output rows a and a + 4 are the neighbouring columns rev a and rev a + 1.
inline void WriteTile(const Tile& __restrict t, double* __restrict re, double* __restrict im,
                      size_t rowStride, size_t to) {
    for (size_t a = 0; a < kTile / 2; ++a) {
        const size_t k = kRev3[a];
        double* lr = re + a * rowStride + to;
        double* li = im + a * rowStride + to;
        double* hr = lr + kTile / 2 * rowStride;
        double* hi = li + kTile / 2 * rowStride;
        for (size_t c = 0; c < kTile; ++c) {
            lr[c] = t.re[c][k];
            hr[c] = t.re[c][k + 1];
            li[c] = t.im[c][k];
            hi[c] = t.im[c][k + 1];
        }
    }
}

WIDER_VECTORS void ReorderAndFirstStages(double* re, double* im, size_t n, Twiddles w) {
    const int middleBits = std::countr_zero(n) - 2 * kTileBits;
    const size_t rowStride = n / kTile;
    Tile t1;
    Tile t2;
    for (size_t m = 0; m < (size_t{1} << middleBits); ++m) {
        const size_t rm = ReverseBits(m, middleBits);
        if (rm < m) {
            continue;
        }
        ReadTile(t1, re, im, rowStride, rm * kTile, w);
        if (rm != m) {
            ReadTile(t2, re, im, rowStride, m * kTile, w);
            SecondAndThirdStages(t2, w);
            WriteTile(t2, re, im, rowStride, rm * kTile);
        }
        SecondAndThirdStages(t1, w);
        WriteTile(t1, re, im, rowStride, m * kTile);
    }
}

// Short transforms: plain bit reversal, then stage after stage.
void SmallFft(double* re, double* im, size_t n, Twiddles w) {
    for (size_t i = 0, j = 0; i < n; ++i) {
        if (i < j) {
            std::swap(re[i], re[j]);
            std::swap(im[i], im[j]);
        }
        // Add one to j counting from the top bit down.
        size_t bit = n >> 1;
        while (bit != 0 && (j & bit) != 0) {
            j ^= bit;
            bit >>= 1;
        }
        j |= bit;
    }
    for (size_t h = 1; h < n; h *= 2) {
        for (size_t b = 0; b < n; b += 2 * h) {
            Butterflies(re + b, im + b, re + b + h, im + b + h, w.re + h, w.im + h, h);
        }
    }
}

WIDER_VECTORS void Magnitudes(const double* __restrict re, const double* __restrict im,
                              double* __restrict mag, size_t bins, double k) {
    for (size_t i = 0; i < bins; ++i) {
        mag[i] = std::sqrt((re[i] * re[i] + im[i] * im[i]) * k);
    }
}

} // namespace

// The butterflies of one stage do not depend on each other, so they may run in any order and
// stages may be taken together on the same points: only the memory order changes.
void Radix2Fft(std::span<double> re, std::span<double> im) {
    const size_t n = re.size();
    if (n != im.size() || !std::has_single_bit(n)) {
        return;
    }
    const Twiddles w = TwiddlesUpTo(n);
    if (n < kTile * kTile) {
        SmallFft(re.data(), im.data(), n, w);
        return;
    }
    ReorderAndFirstStages(re.data(), im.data(), n, w);
    Stages(re.data(), im.data(), n, kTile, w);
}

size_t SpectrumPoints(size_t given) {
    constexpr size_t kMinPoints = 8;
    constexpr size_t kMaxPoints = size_t{1} << 30;
    const size_t n = std::bit_floor(std::min(given, kMaxPoints));
    return n < kMinPoints ? 0 : n;
}

SpectrumResult ComputeSpectrum(std::span<const int32_t> codes, int32_t zeroCode,
                               std::span<const double> window, int32_t adcBits,
                               SpectrumWorkspace& work) {
    const size_t n = SpectrumPoints(std::min(codes.size(), window.size()));
    if (n == 0) {
        return {};
    }

    work.re.resize(n);
    work.im.assign(n, 0.0);
    work.magnitudes.resize(n / 2);
    // In double, so no code difference can overflow.
    const double zero = zeroCode;
    for (size_t i = 0; i < n; ++i) {
        work.re[i] = (codes[i] - zero) * window[i];
    }
    Radix2Fft(work.re, work.im);

    // One-sided and normalised to half the converter's range: 2 / (2^bits x N/2), squared.
    const double scale = 2.0 / (std::ldexp(1.0, adcBits) * static_cast<double>(n / 2));
    const double k = scale * scale;
    double* mag = work.magnitudes.data();
    Magnitudes(work.re.data(), work.im.data(), mag, n / 2, k);
    mag[0] /= 2;

    SpectrumResult result;
    result.magnitudes = work.magnitudes;
    result.points = static_cast<int32_t>(n);
    // DC and the last bin stay out of the search; compared in single precision, the first of
    // equal bins wins.
    result.peakMag = -9999.0f;
    for (size_t i = 1; i <= n / 2 - 2; ++i) {
        const float m = static_cast<float>(mag[i]);
        if (m > result.peakMag) {
            result.peakMag = m;
            result.peakIndex = static_cast<int32_t>(i);
        }
    }
    result.yFull = 2 * result.peakMag;
    if (result.yFull > 1.0f) {
        result.yFull = 1.0f;
    }
    if (result.yFull == 0) {
        result.yFull = 0.001f;
    }
    return result;
}
