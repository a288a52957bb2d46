// Spectrum of a sweep: radix-2 transform, one-sided magnitudes, peak and automatic scale.
#pragma once

#include <span>

// In-place forward transform X[k] = sum over n of x[n] e^(-2 pi i k n / N), unscaled, where
// N = re.size() = im.size() is a power of two. Decimation in time; the twiddles come from the
// rotation recurrence on P = 3.14159265 (not full-precision pi), and the results are bit for
// bit those of the plain stage-by-stage, twiddle-by-twiddle loop. Spans of other or unequal
// lengths are left untouched.
void Radix2Fft(std::span<double> re, std::span<double> im);
