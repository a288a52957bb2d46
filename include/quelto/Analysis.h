// Noise figures of a record (a log's column, or sweeps joined) as the noise windows compute
// them, and the log reader. They need no Session. Errors are quelto::Error (run failed).
#pragma once

#include <quelto/Error.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quelto {

struct LogColumn {
    std::vector<double> values; // every pass joined
    std::string name;           // "Gyro"
    std::string units;          // "Dgr/S"
    std::string model;
    int passes = 0;
};
// Data column `column` (1 = the first after the sample number) of a log written by the
// program.
LogColumn read_log(const std::string& path, int column);

struct LogFile {
    std::vector<std::string> names;           // "Sample", then the columns' names
    std::vector<std::string> units;           // each column's; empty for the sample number
    std::vector<std::vector<double>> columns; // one per name, every pass joined
    // Each pass's header lines: label and text ("Temperature", "25.1  dgrC"), "Date" first.
    std::vector<std::vector<std::pair<std::string, std::string>>> headers;
    std::string model;
    int passes = 0;
};
// Every column of a log written by the program.
LogFile read_log(const std::string& path);

struct NoiseDensity {
    std::vector<double> frequency_hz;
    std::vector<double> density; // one-sided, units/sqrt(Hz)
    double floor = 0;            // median density over the band
    double band_low_hz = 0, band_high_hz = 0;
    size_t segment = 0; // Welch segment length used
    int64_t segments = 0;
};
// Welch's method; segment 0 takes the default (4096, or the largest power of two at most an
// eighth of the record); no band takes 10 % to 40 % of the rate.
NoiseDensity noise_density(const std::vector<double>& values, double rate_hz, size_t segment = 0,
                           std::optional<std::pair<double, double>> band = std::nullopt);

struct AllanPoint {
    double tau_s = 0;
    double deviation = 0;
    double uncertainty = 0;
    int64_t m = 0; // samples averaged
};
struct AllanDeviation {
    std::vector<AllanPoint> points;
    std::optional<double> white_noise;
    std::optional<double> bias_instability;
    double bias_instability_tau_s = 0;
    std::optional<double> rate_random_walk;
};
// Overlapping Allan deviation at the given averaging times, or octaves when none are given.
AllanDeviation allan_deviation(const std::vector<double>& values, double rate_hz,
                               const std::vector<double>& taus = {});

} // namespace quelto
