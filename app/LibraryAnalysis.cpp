// The library's noise figures and log reader: the noise windows' own computations.
#include <quelto/Analysis.h>

#include "analysis/Noise.h"
#include "analysis/NoiseRecord.h"

namespace quelto {

LogColumn read_log(const std::string& path, int column) {
    ::LogColumn read = ReadLogColumn(path, column);
    if (!read.error.empty()) {
        throw Error(ErrorKind::RunFailed, read.error, "log");
    }
    return {std::move(read.values), read.name, read.units, read.model, read.passes};
}

LogFile read_log(const std::string& path) {
    LogTable read = ReadLogTable(path);
    if (!read.error.empty()) {
        throw Error(ErrorKind::RunFailed, read.error, "log");
    }
    return {std::move(read.names),
            std::move(read.units),
            std::move(read.columns),
            std::move(read.headers),
            read.model,
            read.passes};
}

NoiseDensity noise_density(const std::vector<double>& values, double rate_hz, size_t segment,
                           std::optional<std::pair<double, double>> band) {
    const size_t length = segment > 0 ? segment : DefaultSegmentLength(values.size());
    const DensityResult r = band
                                ? ::NoiseDensity(values, rate_hz, length, band->first, band->second)
                                : ::NoiseDensity(values, rate_hz, length);
    if (!r.error.empty()) {
        throw Error(ErrorKind::RunFailed, r.error);
    }
    return {r.frequency, r.density, r.floor, r.bandLow, r.bandHigh, length, r.segments};
}

AllanDeviation allan_deviation(const std::vector<double>& values, double rate_hz,
                               const std::vector<double>& taus) {
    const AllanResult r = taus.empty() ? ::AllanDeviation(values, 1.0 / rate_hz)
                                       : ::AllanDeviation(values, 1.0 / rate_hz, taus);
    if (!r.error.empty()) {
        throw Error(ErrorKind::RunFailed, r.error);
    }
    AllanDeviation result{{}, r.whiteNoise, r.biasInstability, r.minimumTau, r.rateRandomWalk};
    for (const auto& p : r.points) {
        result.points.push_back({p.tau, p.deviation, p.uncertainty, p.m});
    }
    return result;
}

} // namespace quelto
