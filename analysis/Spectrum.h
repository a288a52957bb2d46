// Spectrum of a sweep: radix-2 transform, one-sided magnitudes, peak and automatic scale.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

// In-place forward transform X[k] = sum over n of x[n] e^(-2 pi i k n / N), unscaled, where
// N = re.size() = im.size() is a power of two. Decimation in time; the twiddles come from the
// rotation recurrence on P = 3.14159265 (not full-precision pi), and the results are bit for
// bit those of the plain stage-by-stage, twiddle-by-twiddle loop. Spans of other or unequal
// lengths are left untouched.
void Radix2Fft(std::span<double> re, std::span<double> im);

// Buffers kept from one spectrum to the next, so a continuous run does not allocate.
struct SpectrumWorkspace {
    std::vector<double> re;
    std::vector<double> im;
    std::vector<double> magnitudes;
};

struct SpectrumResult {
    // Bins 0..points/2-1 (in the workspace, valid until its next use): 1.0 is an amplitude of
    // half the converter's range, DC is halved.
    std::span<const double> magnitudes;
    int32_t points = 0;    // samples transformed; 0 when there were too few
    int32_t peakIndex = 0; // largest of bins 1..points/2-2, the lowest on ties
    float peakMag = 0.0f;
    float yFull = 0.0f; // top of the plot: 2 x peak, at most 1.0, 0.001 instead of 0

    bool empty() const { return points == 0; }
};

// Spectrum of the codes (codes[k] is sample k + 1 of the sweep) taken relative to the
// channel's zero code and weighted by window[k]. A length that is not a power of two uses the
// largest power of two that fits both codes and window; below 8 points no bin can be searched
// and the result is empty.
// Samples a spectrum of given samples transforms: the largest power of two that fits, or 0
// below 8.
size_t SpectrumPoints(size_t given);
SpectrumResult ComputeSpectrum(std::span<const int32_t> codes, int32_t zeroCode,
                               std::span<const double> window, int32_t adcBits,
                               SpectrumWorkspace& work);
