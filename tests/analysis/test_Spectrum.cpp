#include "analysis/Spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using Vec = std::vector<double>;

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

TEST(Spectrum, MagnitudesPeakAndScale) {
    struct Case {
        std::vector<int32_t> codes;
        double weight;
        int32_t peakIndex;
        double peakMag, yFull, dc;
    };
    std::vector<int32_t> impulse(512, 2048); // a flat spectrum: of equal bins the lowest wins
    impulse[0] += 1;
    const Case cases[] = {
        {Sweep(2048, {{1000, 64}}), 1, 64, 1000 / 2048.0, 2000 / 2048.0, 0},
        {Sweep(2048, {{2048, 100}}), 1, 100, 1.0, 1.0, 0}, // 2 x peak is capped
        // DC and the last bin are larger but not searched.
        {Sweep(1024, {{1024, 0}, {1024, 511}, {256, 7}}), 1, 7, 0.125, 0.25, 0.5},
        {Sweep(256, {}), 1, 1, 0, 0.001, 0}, // silence: a floor on the scale
        {impulse, 0.5, 1, std::ldexp(1.0, -20), std::ldexp(1.0, -19), std::ldexp(1.0, -21)},
    };
    SpectrumWorkspace work; // shared, as in a continuous run
    for (const Case& c : cases) {
        const auto s = ComputeSpectrum(c.codes, 2048, Vec(c.codes.size(), c.weight), 12, work);
        EXPECT_EQ(s.peakIndex, c.peakIndex) << c.codes.size();
        EXPECT_NEAR(s.peakMag, c.peakMag, 1e-4) << c.codes.size();
        EXPECT_NEAR(s.yFull, c.yFull, 2e-4) << c.codes.size();
        EXPECT_NEAR(s.magnitudes[0], c.dc, 1e-4) << c.codes.size();
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
