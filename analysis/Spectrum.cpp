#include "analysis/Spectrum.h"

#include <bit>
#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

// Built with -ffp-contract=off: a fused multiply-add would change the bits.

namespace {

// The eight-decimal pi the twiddle recurrence has always used.
constexpr double kP = 3.14159265;

void BitReverse(double* re, double* im, size_t n) {
    size_t j = 0;
    for (size_t i = 0; i < n; ++i) {
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
}

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

} // namespace

void Radix2Fft(std::span<double> re, std::span<double> im) {
    const size_t n = re.size();
    if (n != im.size() || !std::has_single_bit(n)) {
        return;
    }
    double* __restrict xr = re.data();
    double* __restrict xi = im.data();
    BitReverse(xr, xi, n);

    thread_local std::vector<double> twiddles;
    if (twiddles.size() < n) {
        twiddles.resize(n);
    }
    double* __restrict wr = twiddles.data();
    double* __restrict wi = wr + n / 2;

    // Butterflies of one stage are independent of each other: walk them block by block so
    // memory is read in order.
    for (size_t h = 1; h < n; h *= 2) {
        StageTwiddles(h, wr, wi);
        for (size_t b = 0; b < n; b += 2 * h) {
            double* __restrict ar = xr + b;
            double* __restrict ai = xi + b;
            double* __restrict br = ar + h;
            double* __restrict bi = ai + h;
            for (size_t j = 0; j < h; ++j) {
                const double tr = br[j] * wr[j] - bi[j] * wi[j];
                const double ti = br[j] * wi[j] + bi[j] * wr[j];
                br[j] = ar[j] - tr;
                bi[j] = ai[j] - ti;
                ar[j] = ar[j] + tr;
                ai[j] = ai[j] + ti;
            }
        }
    }
}
