#include "analysis/NoiseParameters.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace {

constexpr double kStandardGravity = 9.80665; // m/s^2 per g
constexpr double kSecondsPerHour = 3600;

std::string Number(double x, const char* format = "%.4g") {
    char text[40];
    std::snprintf(text, sizeof text, format, x);
    return text;
}

std::string Range(const AllanFit& fit) {
    return "tau " + Number(fit.tauLow) + " to " + Number(fit.tauHigh) + " s, " +
           std::to_string(fit.points) + (fit.points == 1 ? " point" : " points");
}

struct Row {
    const char* name;
    const std::optional<double>& value;
    const AllanFit& fit;
    double factor; // record units to the table's
    const char* units;
};

std::string TableRow(const Row& row) {
    char text[512];
    if (row.value && std::isfinite(*row.value * row.factor)) {
        std::snprintf(text, sizeof text, "%-26s %12.4g  %-14s %s\n", row.name,
                      *row.value * row.factor, row.units, Range(row.fit).c_str());
    } else {
        std::snprintf(text, sizeof text, "%-26s %12s  %-14s %s\n", row.name, "absent", row.units,
                      row.value ? "beyond the range of double-precision numbers in these units"
                                : row.fit.reason.c_str());
    }
    return text;
}

} // namespace

std::optional<SensorKind> KindOfUnits(const std::string& units) {
    std::string u;
    for (char c : units) {
        u += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (u == "dgr/s" || u == "deg/s" || u == "dps" || u == "\u00b0/s") {
        return SensorKind::Gyroscope;
    }
    if (u == "g") {
        return SensorKind::Accelerometer;
    }
    return std::nullopt;
}

std::string Ieee952Table(const AllanResult& r, SensorKind kind, const std::string& source) {
    const bool gyro = kind == SensorKind::Gyroscope;
    const double hour = std::sqrt(kSecondsPerHour); // sqrt(s) per sqrt(h)
    const double toSi = gyro ? 1 : kStandardGravity;
    std::string text = "# Allan coefficients in IEEE Std 952 units: " + source + "\n";
    text += std::string("# record units: ") + (gyro ? "deg/s" : "g (9.80665 m/s^2)") + ", " +
            std::to_string(r.samples) + " samples\n";
    text += "# N: the -1/2 line at tau = 1 s (one-sided density sqrt(2) N); B: the minimum / "
            "0.6643; K: the +1/2 line at tau = 3 s\n";
    if (gyro) {
        text +=
            TableRow({"N angle random walk", r.whiteNoise, r.whiteNoiseFit, hour, "deg/sqrt(h)"});
        text += TableRow({"B bias instability", r.biasInstability, r.biasInstabilityFit,
                          kSecondsPerHour, "deg/h"});
        text += TableRow({"K rate random walk", r.rateRandomWalk, r.rateRandomWalkFit,
                          kSecondsPerHour * hour, "deg/h/sqrt(h)"});
    } else {
        text += TableRow(
            {"N velocity random walk", r.whiteNoise, r.whiteNoiseFit, toSi * hour, "m/s/sqrt(h)"});
        text += TableRow(
            {"B bias instability", r.biasInstability, r.biasInstabilityFit, toSi, "m/s^2"});
        text +=
            TableRow({"B bias instability", r.biasInstability, r.biasInstabilityFit, 1000, "mg"});
        text += TableRow({"K acceleration random walk", r.rateRandomWalk, r.rateRandomWalkFit,
                          toSi * kSecondsPerHour * hour, "m/s/h^1.5"});
    }
    return text;
}

std::string CalibrationYaml(const AllanResult& r, SensorKind kind, double sampleRate,
                            const std::string& source) {
    const bool gyro = kind == SensorKind::Gyroscope;
    const double toSi = gyro ? std::numbers::pi / 180 : kStandardGravity;
    const std::string prefix = gyro ? "gyroscope" : "accelerometer";
    std::string text = "# Noise parameters from the Allan deviation of " + source + " (" +
                       std::to_string(r.samples) + " samples), SI units.\n";
    text += "# Density convention: the noise density is N, the -1/2 line's value at tau = 1 s,\n"
            "# the square root of the white noise's two-sided power density (continuous time).\n"
            "# The one-sided density is sqrt(2) N. The random walk is K, the +1/2 line's value\n"
            "# at tau = 3 s. A coefficient the record cannot support is null, never 0.\n";
    auto entry = [&](const std::string& key, const std::optional<double>& value,
                     const AllanFit& fit, const char* units, bool density) {
        std::string line = key + ": ";
        if (value && !std::isfinite(*value * toSi * std::sqrt(2.0))) {
            line += "null  # absent: beyond the range of double-precision numbers in SI units";
        } else if (value) {
            line += Number(*value * toSi, "%.6g") + "  # " + units + ", " + Range(fit);
            if (density) {
                line += "; one-sided " + Number(std::sqrt(2.0) * *value * toSi, "%.6g");
            }
        } else {
            line += "null  # absent: " + fit.reason;
        }
        return line + "\n";
    };
    text += entry(prefix + "_noise_density", r.whiteNoise, r.whiteNoiseFit,
                  gyro ? "rad/s/sqrt(Hz)" : "m/s^2/sqrt(Hz)", true);
    text += entry(prefix + "_random_walk", r.rateRandomWalk, r.rateRandomWalkFit,
                  gyro ? "rad/s^2/sqrt(Hz)" : "m/s^3/sqrt(Hz)", false);
    if (r.biasInstability) {
        text += "# bias instability: " + Number(*r.biasInstability * toSi, "%.6g") +
                (gyro ? " rad/s, " : " m/s^2, ") + Range(r.biasInstabilityFit) + "\n";
    } else {
        text += "# bias instability: absent: " + r.biasInstabilityFit.reason + "\n";
    }
    text += "update_rate: " + Number(sampleRate, "%.10g") + "  # Hz\n";
    return text;
}
