// Statistics of a run of samples.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

struct SampleStatistics {
    float mean = 0.0f;
    float min = 0.0f;
    float max = 0.0f;
    float sumSq = 0.0f;
    float rms = 0.0f;
};

// Minimum, maximum and mean of values (at least one), and the AC RMS about that mean of the
// codes (as many) in the channel's units.
SampleStatistics StatisticsOf(std::span<const float> values, std::span<const int32_t> codes,
                              const std::function<float(int32_t)>& valueOf);
