// A long run as the program makes it: a session on the simulated gyroscope in fast time,
// paced, recorded to a file, with the streaming Allan deviation fed a block at a time. Shared
// by the long-run test and its benchmark.
#pragma once

#include <quelto/Session.h>

#include "analysis/AllanStream.h"

#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

struct LongRunFigures {
    quelto::RecordRun run;
    AllanResult allan;
    double wallSeconds = 0;
    double peakMb = 0; // the process's maximum resident set
    uintmax_t fileBytes = 0;
};

// The simulated part, chosen so that eight hours show each noise on its own slope: white noise
// to about 1 s, the flicker floor to about 30 s, the rate random walk from about 100 s to the
// record's last tau (2542 s). The typical part's random walk only rises out of its floor near
// 13 000 s, past what eight hours support. Its figures as this program states them:
// N = density / sqrt(2).
inline constexpr double kPartDensity = 0.01;
inline constexpr double kPartWhiteNoise = kPartDensity / 1.4142135623730951;
inline constexpr double kPartBiasInstability = 0.02;
inline constexpr double kPartRateRandomWalk = 0.003;
inline constexpr double kLongRunPaceHz = 6600;

inline LongRunFigures RunLongRecord(double seconds, const std::string& path, uint32_t seed = 7) {
    quelto::Options options;
    options.simulate = true;
    options.simulate_model = "KXS306";
    options.amplitude = 0; // the part's noise alone
    options.density = kPartDensity;
    options.bias_instability = kPartBiasInstability;
    options.rate_random_walk = kPartRateRandomWalk;
    options.seed = seed;
    options.fast_time = true;
    options.pace_hz = kLongRunPaceHz;
    const auto started = std::chrono::steady_clock::now();
    LongRunFigures figures;
    {
        quelto::Session session(options);
        AllanStream allan(1.0 / kLongRunPaceHz);
        quelto::RecordOptions record;
        record.seconds = seconds;
        std::vector<double> values;
        record.block = [&](std::span<const float> block) {
            values.assign(block.begin(), block.end());
            allan.Add(values);
        };
        figures.run = session.record(path, record);
        figures.allan = allan.Result();
    }
    figures.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    figures.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    figures.fileBytes = std::filesystem::file_size(path);
    return figures;
}

// How far a figure is from the part's, as a fraction; infinity when absent.
inline double RelativeError(const std::optional<double>& found, double part) {
    return found ? std::abs(*found / part - 1.0) : INFINITY;
}
