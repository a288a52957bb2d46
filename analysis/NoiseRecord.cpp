#include "analysis/NoiseRecord.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    size_t at = 0;
    for (size_t tab; (tab = line.find('\t', at)) != std::string::npos; at = tab + 1) {
        fields.push_back(line.substr(at, tab - at));
    }
    fields.push_back(line.substr(at));
    return fields;
}

bool ParseFinite(const std::string& text, double& value) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && errno == 0 && std::isfinite(value);
}

bool IsHeaderStart(const std::vector<std::string>& fields) {
    return fields.size() >= 3 && fields[1] == "Date";
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", value);
    return text;
}

std::string Fixed(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

} // namespace

LogColumn ReadLogColumn(const std::string& path, int column) {
    LogColumn out;
    auto fail = [&out](std::string why) {
        out.values.clear();
        out.error = std::move(why);
        return out;
    };
    std::error_code ec;
    // A pipe or a device would hold the program, or never end.
    if (!std::filesystem::is_regular_file(path, ec)) {
        return fail(path + " is not a file that can be read.");
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return fail(path + " cannot be opened.");
    }
    std::string line;
    std::vector<std::string> names; // of the first header block
    int lineNumber = 0;
    bool inHeader = false;
    std::vector<std::string> previous;
    int64_t lastSample = 0;
    while (std::getline(file, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty()) {
            continue;
        }
        const auto fields = Fields(line);
        if (lineNumber == 1 && !IsHeaderStart(fields)) {
            return fail(path + " is not a log of this program: it does not start with the "
                               "device and \"Date\".");
        }
        if (IsHeaderStart(fields)) {
            inHeader = true;
            if (out.model.empty()) {
                out.model = fields[0];
            }
            continue;
        }
        if (inHeader) {
            if (fields[0] == "Sample") {
                inHeader = false;
                // The line before names the channels; this one gives their units.
                std::vector<std::string> columns(
                    previous.begin() + std::min<size_t>(1, previous.size()), previous.end());
                if (names.empty()) {
                    names = columns;
                    if (column < 1 || column > static_cast<int>(names.size())) {
                        return fail("The log has " + std::to_string(names.size()) +
                                    " data columns; column " + std::to_string(column) +
                                    " is not one of them.");
                    }
                    out.name = names[static_cast<size_t>(column - 1)];
                    if (static_cast<size_t>(column) < fields.size()) {
                        out.units = fields[static_cast<size_t>(column)];
                    }
                } else if (columns != names) {
                    return fail("Line " + std::to_string(lineNumber) +
                                ": the log's columns change here.");
                }
            }
            previous = fields;
            continue;
        }
        double sample = 0;
        if (names.empty() || !ParseFinite(fields[0], sample)) {
            return fail("Line " + std::to_string(lineNumber) + " is not a data line of the log.");
        }
        if (static_cast<int64_t>(sample) <= lastSample || sample == 1) {
            ++out.passes;
        }
        lastSample = static_cast<int64_t>(sample);
        double value = 0;
        if (static_cast<size_t>(column) >= fields.size() ||
            !ParseFinite(fields[static_cast<size_t>(column)], value)) {
            const std::string text = static_cast<size_t>(column) < fields.size()
                                         ? fields[static_cast<size_t>(column)]
                                         : "";
            return fail("Line " + std::to_string(lineNumber) + ": column " +
                        std::to_string(column) + " reads \"" + text + "\", not a number.");
        }
        out.values.push_back(value);
    }
    if (names.empty()) {
        return fail(path + " ends inside the log's header.");
    }
    if (out.values.empty()) {
        return fail(path + " holds no samples.");
    }
    return out;
}

size_t DefaultSegmentLength(size_t samples) {
    size_t length = 16;
    while (length * 2 <= samples / 8 && length < 4096) {
        length *= 2;
    }
    return length;
}

std::string DensityFigures(const DensityResult& result, double sampleRate,
                           const std::string& units) {
    std::string text;
    text += "White-noise floor: " + Number(result.floor) + " " + units + "/sqrt(Hz)\n";
    text +=
        "Band of the floor: " + Number(result.bandLow) + " to " + Number(result.bandHigh) + " Hz\n";
    text += "Segments averaged: " + std::to_string(result.segments) + "\n";
    text += "Sample rate: " + Number(sampleRate) + " Hz";
    return text;
}

std::string AllanFigures(const AllanResult& result, const std::string& units, bool gyroscope) {
    std::string text;
    if (result.whiteNoise) {
        const double n = *result.whiteNoise;
        text += "White noise N: " + Number(n) + " " + units + "/sqrt(Hz) (at tau = 1 s)\n";
        if (gyroscope) {
            text += "Angle random walk: " + Number(60.0 * n) + " deg/sqrt(h)\n";
        }
        text += "Equivalent one-sided density sqrt(2) N: " + Number(std::sqrt(2.0) * n) + " " +
                units + "/sqrt(Hz)\n";
    } else {
        text += "White noise N: no -1/2 slope found\n";
    }
    if (result.biasInstability) {
        const bool falling =
            !result.points.empty() && result.minimumTau >= result.points.back().tau;
        text += "Bias instability: " + Number(*result.biasInstability) + " " + units +
                (falling ? " (upper bound: the curve still falls)" : "") +
                " at tau = " + Number(result.minimumTau) + " s\n";
    }
    if (result.rateRandomWalk) {
        text += "Rate random walk K: " + Number(*result.rateRandomWalk) + " " + units + "*sqrt(Hz)";
    } else {
        text += "Rate random walk: record too short";
    }
    return text;
}

std::string DensityCsv(const DensityResult& result, const std::string& units) {
    std::string text = "frequency_Hz,density_" + units + "/sqrt(Hz)\n";
    for (size_t i = 0; i < result.frequency.size() && i < result.density.size(); ++i) {
        text += Fixed(result.frequency[i]) + "," + Fixed(result.density[i]) + "\n";
    }
    return text;
}

std::string AllanCsv(const AllanResult& result, const std::string& units) {
    std::string text = "tau_s,samples_averaged,deviation_" + units + ",uncertainty_" + units + "\n";
    for (const auto& p : result.points) {
        text += Fixed(p.tau) + "," + std::to_string(p.m) + "," + Fixed(p.deviation) + "," +
                Fixed(p.uncertainty) + "\n";
    }
    return text;
}
