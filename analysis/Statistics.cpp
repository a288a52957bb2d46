#include "analysis/Statistics.h"

#include <cmath>

SampleStatistics StatisticsOf(std::span<const float> values, std::span<const int32_t> codes,
                              const std::function<float(int32_t)>& valueOf) {
    SampleStatistics s;
    s.mean = s.min = s.max = values[0];
    const size_t n = values.size();
    for (size_t i = 1; i < n; ++i) {
        const float v = values[i];
        s.mean += v;
        if (s.min > v) {
            s.min = v;
        }
        if (s.max < v) {
            s.max = v;
        }
    }
    s.mean /= static_cast<float>(n);

    for (const int32_t code : codes) {
        const float d = valueOf(code) - s.mean;
        s.sumSq += d * d;
    }
    const float variance = s.sumSq / static_cast<float>(n);
    s.rms = static_cast<float>(std::sqrt(static_cast<double>(variance)));
    return s;
}
