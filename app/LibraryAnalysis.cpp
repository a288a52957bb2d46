// The library's noise figures and log reader: the noise windows' own computations.
#include <quelto/Analysis.h>

#include "analysis/AllanStream.h"
#include "analysis/Noise.h"
#include "analysis/NoiseParameters.h"
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

namespace {

AllanFit FitOf(const ::AllanFit& f) { return {f.tauLow, f.tauHigh, f.points, f.reason}; }
::AllanFit FitOf(const AllanFit& f) { return {f.tau_low_s, f.tau_high_s, f.points, f.reason}; }

AllanDeviation Converted(const AllanResult& r) {
    if (!r.error.empty()) {
        throw Error(ErrorKind::RunFailed, r.error);
    }
    AllanDeviation result{{},
                          r.whiteNoise,
                          r.biasInstability,
                          r.minimumTau,
                          r.rateRandomWalk,
                          FitOf(r.whiteNoiseFit),
                          FitOf(r.biasInstabilityFit),
                          FitOf(r.rateRandomWalkFit),
                          r.samples};
    for (const auto& p : r.points) {
        result.points.push_back(
            {p.tau, p.deviation, p.uncertainty, p.m, p.low, p.high, p.edf, p.noiseAlpha, p.exact});
    }
    return result;
}

AllanResult Core(const AllanDeviation& a) {
    AllanResult r;
    for (const auto& p : a.points) {
        ::AllanPoint point{p.m, p.tau_s, p.deviation, p.uncertainty};
        point.low = p.adev_low;
        point.high = p.adev_high;
        point.edf = p.edf;
        point.noiseAlpha = p.noise_alpha;
        point.exact = p.exact;
        r.points.push_back(point);
    }
    r.whiteNoise = a.white_noise;
    r.biasInstability = a.bias_instability;
    r.minimumTau = a.bias_instability_tau_s;
    r.rateRandomWalk = a.rate_random_walk;
    r.whiteNoiseFit = FitOf(a.white_noise_fit);
    r.biasInstabilityFit = FitOf(a.bias_instability_fit);
    r.rateRandomWalkFit = FitOf(a.rate_random_walk_fit);
    r.samples = a.samples;
    return r;
}

SensorKind KindOf(const std::string& units) {
    const auto kind = KindOfUnits(units);
    if (!kind) {
        throw Error(ErrorKind::RunFailed, "the record's units, \"" + units +
                                              "\", are neither deg/s nor g: no IEEE 952 "
                                              "or calibration units for them");
    }
    return *kind;
}

} // namespace

AllanDeviation allan_deviation(const std::vector<double>& values, double rate_hz,
                               const std::vector<double>& taus) {
    return Converted(taus.empty() ? ::AllanDeviation(values, 1.0 / rate_hz)
                                  : ::AllanDeviation(values, 1.0 / rate_hz, taus));
}

struct AllanStream::State {
    ::AllanStream stream;
};

AllanStream::AllanStream(double rate_hz) : state_(new State{::AllanStream(1.0 / rate_hz)}) {}
AllanStream::~AllanStream() = default;
AllanStream::AllanStream(AllanStream&&) noexcept = default;
AllanStream& AllanStream::operator=(AllanStream&&) noexcept = default;
void AllanStream::add(double value) { state_->stream.Add(value); }
void AllanStream::add(const double* values, size_t count) {
    state_->stream.Add(std::span(values, count));
}
int64_t AllanStream::count() const { return state_->stream.Count(); }
AllanDeviation AllanStream::result() const { return Converted(state_->stream.Result()); }

AllanDeviation allan_deviation_of_log(const std::string& path, int column, double rate_hz,
                                      LogColumn* info) {
    ::AllanStream stream(1.0 / rate_hz);
    ::LogColumn read =
        ReadLogColumn(path, column, [&](std::span<const double> block) { stream.Add(block); });
    if (!read.error.empty()) {
        throw Error(ErrorKind::RunFailed, read.error, "log");
    }
    if (info != nullptr) {
        *info = {{}, read.name, read.units, read.model, read.passes};
    }
    return Converted(stream.Result());
}

std::string ieee952_table(const AllanDeviation& allan, const std::string& units,
                          const std::string& source) {
    return Ieee952Table(Core(allan), KindOf(units), source);
}

std::string calibration_yaml(const AllanDeviation& allan, const std::string& units, double rate_hz,
                             const std::string& source) {
    return CalibrationYaml(Core(allan), KindOf(units), rate_hz, source);
}

} // namespace quelto
