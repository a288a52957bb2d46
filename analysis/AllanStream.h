// Overlapping Allan deviation fed one sample at a time, in memory that does not grow with the
// record: the live curve of a run and the offline one of a file of any length.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "analysis/Noise.h"

// At octaves m = 1, 2, 4, ... up to kExactLimit samples the figure is the exact overlapping
// Allan deviation of every sample so far, the same as AllanDeviation's (double-double running
// sums centred on the first sample keep the digits over 10^8 samples and more). Beyond it,
// window starts are taken every d = m / kStartsPerWindow samples instead of every sample: the
// overlapping estimator with starts d apart, sigma^2 = sum_j (S[j+2m] - 2 S[j+m] + S[j])^2 /
// (2 m^2 J) over the J starts j = 0, d, 2d, ...; point.exact is false there, and its EDF is
// the full overlap's (with 1024 starts a window, within a few per cent of it). Every octave up
// to a tenth of the record is reported, as AllanDeviation does.
class AllanStream {
public:
    static constexpr int64_t kExactLimit = int64_t{1} << 15;
    static constexpr int64_t kStartsPerWindow = int64_t{1} << 10;

    explicit AllanStream(double samplePeriod);
    ~AllanStream();
    AllanStream(const AllanStream&) = delete;
    AllanStream& operator=(const AllanStream&) = delete;

    void Add(double y);
    void Add(std::span<const double> y);
    int64_t Count() const;
    AllanResult Result() const; // the analysis of every sample so far

private:
    struct State;
    std::unique_ptr<State> s_;
};
