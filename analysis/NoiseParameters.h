// The Allan coefficients as other tools read them: a table in the IEEE Std 952 units and a
// calibration tool's YAML in SI units, each stating the density convention.
#pragma once

#include <optional>
#include <string>

#include "analysis/Noise.h"

enum class SensorKind { Gyroscope, Accelerometer };

// The kind a record's units name: deg/s ("Dgr/S", "deg/s", "dps") a gyroscope, g ("G") an
// accelerometer; none for anything else, whose figures have no IEEE 952 units.
std::optional<SensorKind> KindOfUnits(const std::string& units);

// N, B and K in IEEE 952 units, each with the tau range of its fit or the reason it is absent.
// Gyroscope (record in deg/s): N deg/sqrt(h), B deg/h, K deg/h/sqrt(h). Accelerometer (record
// in g, g = 9.80665 m/s^2): N m/s/sqrt(h), B m/s^2 and mg, K m/s/h^1.5.
std::string Ieee952Table(const AllanResult& result, SensorKind kind, const std::string& source);

// gyroscope_noise_density and gyroscope_random_walk (rad/s/sqrt(Hz), rad/s^2/sqrt(Hz)), or
// the accelerometer's (m/s^2/sqrt(Hz), m/s^3/sqrt(Hz)), with update_rate. The density is N,
// the -1/2 line at tau = 1 s (the white noise's two-sided density); the file says so and
// gives the one-sided sqrt(2) N beside it. An absent coefficient is null, with its reason.
std::string CalibrationYaml(const AllanResult& result, SensorKind kind, double sampleRate,
                            const std::string& source);
