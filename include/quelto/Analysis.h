// Noise figures of a record (a log's column, or sweeps joined) as the noise windows compute
// them, and the log reader. They need no Session. Errors are quelto::Error (run failed).
#pragma once

#include <quelto/Error.h>

#include <cstddef>
#include <cstdint>
#include <memory>
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
    // 68 % chi-squared bounds from the equivalent degrees of freedom of the overlapping
    // estimator for the noise type the curve's local slope shows (noise_alpha: 2 white phase,
    // 1 flicker phase, 0 white frequency, -1 flicker frequency, -2 random-walk frequency).
    double adev_low = 0, adev_high = 0;
    double edf = 0;
    int noise_alpha = 0;
    bool exact = true; // false: streamed past 2^15 samples, window starts m/1024 apart
};
// The taus a coefficient was fitted over, or why it is absent ("record too short: ...").
struct AllanFit {
    double tau_low_s = 0, tau_high_s = 0;
    int points = 0;
    std::string reason; // empty when the coefficient is present
};
struct AllanDeviation {
    std::vector<AllanPoint> points;
    // N, the -1/2 line at tau = 1 s (units/sqrt(Hz); the one-sided density is sqrt(2) N); B,
    // the minimum / 0.6643 (units); K, the +1/2 line at tau = 3 s (units*sqrt(Hz)).
    std::optional<double> white_noise;
    std::optional<double> bias_instability;
    double bias_instability_tau_s = 0;
    std::optional<double> rate_random_walk;
    AllanFit white_noise_fit, bias_instability_fit, rate_random_walk_fit;
    int64_t samples = 0;
};
// Overlapping Allan deviation at the given averaging times, or octaves when none are given.
AllanDeviation allan_deviation(const std::vector<double>& values, double rate_hz,
                               const std::vector<double>& taus = {});
// The octaves' Allan deviation of samples given as they come (a run, a file read in blocks),
// in memory that does not grow with the record (a few MB): exact up to 2^15 samples averaged,
// past it with window starts m/1024 samples apart (AllanPoint::exact false). result() throws
// as allan_deviation does.
class AllanStream {
public:
    explicit AllanStream(double rate_hz);
    ~AllanStream();
    AllanStream(AllanStream&&) noexcept;
    AllanStream& operator=(AllanStream&&) noexcept;
    void add(double value);
    void add(const double* values, size_t count);
    int64_t count() const;
    AllanDeviation result() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};
// The octaves' Allan deviation of a log's data column, read a block at a time: memory does not
// grow with the log. info, when given, receives the column's name, units, model and passes.
AllanDeviation allan_deviation_of_log(const std::string& path, int column, double rate_hz,
                                      LogColumn* info = nullptr);

// The coefficients for other tools, from a record in deg/s (a gyroscope) or g (an
// accelerometer); refused (run failed) for other units. source names the record in the text.
// A table in IEEE Std 952 units: N deg/sqrt(h), B deg/h, K deg/h/sqrt(h), or N m/s/sqrt(h),
// B m/s^2 and mg, K m/s/h^1.5 (g = 9.80665 m/s^2), each with its tau range or its reason.
std::string ieee952_table(const AllanDeviation& allan, const std::string& units,
                          const std::string& source);
// A calibration tool's YAML: gyroscope_noise_density (rad/s/sqrt(Hz)) and gyroscope_random_walk
// (rad/s^2/sqrt(Hz)), or accelerometer_noise_density (m/s^2/sqrt(Hz)) and
// accelerometer_random_walk (m/s^3/sqrt(Hz)), and update_rate. The density is N; the file
// states it, with the one-sided sqrt(2) N. An absent coefficient is null, with its reason.
std::string calibration_yaml(const AllanDeviation& allan, const std::string& units, double rate_hz,
                             const std::string& source);

} // namespace quelto
