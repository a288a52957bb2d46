// The log reader that gives the noise analyses a record, the segment length they start with,
// and their figures as text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "analysis/Noise.h"

// One column of a log written by "Log Data", every pass joined.
struct LogColumn {
    std::string error; // why the file gave no values; empty when it did
    std::vector<double> values;
    std::string name;  // the column's name in the header ("Gyro")
    std::string units; // its units ("Dgr/S")
    std::string model; // the device named in the header
    int passes = 0;    // runs of sample numbers from 1
};

// Reads data column `column` (1 = the first after the sample number) of the tab-separated log
// at path. Refuses, with the reason, anything but a regular file that starts with the log's
// header block, a column the log does not have, and a line whose field is not a finite number.
LogColumn ReadLogColumn(const std::string& path, int column);
// The same in bounded memory: the column's values go to `block` a few thousand at a time, in
// order, and the result's values stay empty. On a refusal the blocks already given are the
// lines before the faulty one.
LogColumn ReadLogColumn(const std::string& path, int column,
                        const std::function<void(std::span<const double>)>& block);

// Every column of a log written by "Log Data", every pass joined, with each header block's
// lines.
struct LogTable {
    std::string error;                        // why the file gave no values; empty when it did
    std::vector<std::string> names;           // "Sample", then the channels' names
    std::vector<std::string> units;           // of each column; empty for the sample number
    std::vector<std::vector<double>> columns; // one per name
    // Per header block: each line's label and the rest of it ("Temperature", "25  dgrC"); the
    // first line's label is "Date".
    std::vector<std::vector<std::pair<std::string, std::string>>> headers;
    std::string model;
    int passes = 0;
};

// Reads the whole log as ReadLogColumn reads one column, with the same refusals.
LogTable ReadLogTable(const std::string& path);
// Only the first header block, up to its units line, with the same refusals: no columns.
LogTable ReadLogHeader(const std::string& path);

// The Welch segment length offered first: 4096, or the largest power of two at most an eighth
// of the record (at least 16).
size_t DefaultSegmentLength(size_t samples);

// The figures as the windows show them, one per line.
std::string DensityFigures(const DensityResult& result, double sampleRate,
                           const std::string& units);
// gyroscope: also the angle random walk (units deg/s).
std::string AllanFigures(const AllanResult& result, const std::string& units, bool gyroscope);

// The curves as comma-separated text with a header line.
std::string DensityCsv(const DensityResult& result, const std::string& units);
std::string AllanCsv(const AllanResult& result, const std::string& units);
