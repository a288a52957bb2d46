#include "analysis/Spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using Vec = std::vector<double>;

// The transform as first written: stage by stage, every butterfly of one twiddle before the
// twiddle is rotated. The fast one must give the same bits.
void PlainFft(Vec& re, Vec& im) {
    const long n = static_cast<long>(re.size()), nd2 = n / 2;
    for (long i = 0, j = -nd2, k; i < n; ++i) {
        for (k = nd2; k <= j; k /= 2) {
            j -= k;
        }
        j += k;
        if (i < j) {
            std::swap(re[i], re[j]);
            std::swap(im[i], im[j]);
        }
    }
    for (long l = 1; l <= std::lround(std::log(n) / std::log(2)); ++l) {
        const long le = 1L << l, le2 = le / 2;
        const double sr = std::cos(3.14159265 / le2), si = -std::sin(3.14159265 / le2);
        double ur = 1, ui = 0;
        for (long j = 0; j < le2; ++j) {
            for (long i = j, ip = i + le2; i < n; i += le, ip += le) {
                const double tr = re[ip] * ur - im[ip] * ui, ti = re[ip] * ui + im[ip] * ur;
                re[ip] = re[i] - tr;
                im[ip] = im[i] - ti;
                re[i] = re[i] + tr;
                im[i] = im[i] + ti;
            }
            std::tie(ur, ui) = std::pair(ur * sr - ui * si, ur * si + ui * sr);
        }
    }
}

// Codes about 2048 with cosines of these amplitudes (codes) at these bins.
std::vector<int32_t> Sweep(size_t n, std::vector<std::pair<double, int>> tones) {
    std::vector<int32_t> codes(n, 2048);
    for (size_t i = 0; i < n; ++i) {
        for (auto [amplitude, bin] : tones) {
            codes[i] += std::lround(amplitude * std::cos(2 * std::numbers::pi * bin * i / n));
        }
    }
    return codes;
}

} // namespace

TEST(Spectrum, TransformHasTheBitsOfThePlainLoop) {
    std::mt19937 rng(1);
    // 8 points take the input as x0 x4 x2 x6 x1 x5 x3 x7, as the plain loop does.
    for (size_t n : {8, 16, 32, 64, 128, 256, 512, 1024, 2048, 4096, 8192, 16384, 32768}) {
        // Any complex input, with zeros of both signs.
        Vec re(n), im(n);
        for (size_t i = 0; i < n; ++i) {
            re[i] = i % 7 == 0 ? -0.0 : static_cast<double>(rng()) - 2e9;
            im[i] = i % 5 == 0 ? 0.0 : static_cast<double>(rng()) - 2e9;
        }
        Vec fastRe = re, fastIm = im;
        PlainFft(re, im);
        Radix2Fft(fastRe, fastIm);
        EXPECT_EQ(std::memcmp(re.data(), fastRe.data(), n * sizeof(double)), 0) << n << " points";
        EXPECT_EQ(std::memcmp(im.data(), fastIm.data(), n * sizeof(double)), 0) << n << " points";
    }
}

// The magnitudes' scale and the DC bin are the recorded spectra's; these are the rules of the
// search and of the automatic scale.
TEST(Spectrum, PeakAndScale) {
    struct Case {
        std::vector<int32_t> codes;
        double weight;
        int32_t peakIndex;
        double peakMag, yFull;
    };
    std::vector<int32_t> impulse(512, 2048); // a flat spectrum: of equal bins the lowest wins
    impulse[0] += 1;
    const Case cases[] = {
        {Sweep(2048, {{2048, 100}}), 1, 100, 1.0, 1.0}, // 2 x peak is capped
        // DC and the last bin are larger but not searched.
        {Sweep(1024, {{1024, 0}, {1024, 511}, {256, 7}}), 1, 7, 0.125, 0.25},
        {Sweep(256, {}), 1, 1, 0, 0.001}, // silence: a floor on the scale
        {impulse, 0.5, 1, std::ldexp(1.0, -20), std::ldexp(1.0, -19)},
    };
    SpectrumWorkspace work; // shared, as in a continuous run
    for (const Case& c : cases) {
        const auto s = ComputeSpectrum(c.codes, 2048, Vec(c.codes.size(), c.weight), 12, work);
        EXPECT_EQ(s.peakIndex, c.peakIndex) << c.codes.size();
        EXPECT_NEAR(s.peakMag, c.peakMag, 1e-4) << c.codes.size();
        EXPECT_NEAR(s.yFull, c.yFull, 2e-4) << c.codes.size();
    }
}

TEST(Spectrum, OtherLengthsUseTheLargestPowerOfTwoThatFits) {
    const std::vector<int32_t> codes = Sweep(3000, {{500, 40}});
    const Vec window(4000, 1.0);
    SpectrumWorkspace work;
    // Codes and weights given, points used: the first ones. Below 8 no bin can be searched.
    const std::tuple<size_t, size_t, int32_t> cases[] = {
        {3000, 4000, 2048}, {3000, 100, 64}, {8, 8, 8}, {7, 4000, 0}, {0, 0, 0}};
    for (auto [n, w, points] : cases) {
        const auto s =
            ComputeSpectrum(std::span(codes).first(n), 2048, std::span(window).first(w), 12, work);
        EXPECT_TRUE(s.points == points && s.magnitudes.size() == points / 2u) << n << ", " << w;
    }
    EXPECT_EQ(ComputeSpectrum(codes, 2048, window, 12, work).peakMag,
              ComputeSpectrum(std::span(codes).first(2048), 2048, window, 12, work).peakMag);

    // The transform itself leaves other lengths alone.
    Vec six{1, 2, 3, 4, 5, 6}, eight(8, 1.0), im(6);
    Radix2Fft(six, im);
    Radix2Fft(eight, im);
    EXPECT_TRUE(six == (Vec{1, 2, 3, 4, 5, 6}) && eight == Vec(8, 1.0));
}
