#include "analysis/NoiseRecord.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>

namespace {

// Every field of a line; only header lines are split whole.
std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t at = 0;
    for (size_t tab; (tab = line.find('\t', at)) != std::string_view::npos; at = tab + 1) {
        fields.push_back(line.substr(at, tab - at));
    }
    fields.push_back(line.substr(at));
    return fields;
}

bool NoNonzeroDigit(std::string_view mantissa) {
    return mantissa.find_first_of("123456789") == std::string_view::npos;
}

// Clinger's fast path: at most 15 digits, a point and no exponent make an exact integer over
// an exact power of ten, and one division then rounds as strtod does.
bool ParseShortDecimal(std::string_view text, double& value) {
    static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const char* p = text.data();
    const char* const end = p + text.size();
    const bool negative = *p == '-';
    p += negative;
    uint64_t mantissa = 0;
    int digits = 0;
    int scale = 0;
    bool point = false;
    for (; p != end; ++p) {
        const unsigned digit = static_cast<unsigned char>(*p) - unsigned{'0'};
        if (digit < 10) {
            mantissa = mantissa * 10 + digit;
            ++digits;
            scale += point;
        } else if (*p == '.' && !point) {
            point = true;
        } else {
            return false;
        }
        if (digits > 15) {
            return false;
        }
    }
    if (digits == 0) {
        return false;
    }
    value = static_cast<double>(mantissa) / kPowers[scale];
    value = negative ? -value : value;
    return true;
}

// A field as strtod in the C locale has always read it: leading white space, a sign, decimal
// or hex, and nothing after the number; refused when not finite or when it underflows. The
// plain decimal numbers of a log take from_chars, which rounds as strtod does; the rest, and
// anything whose range strtod would flag, go to strtod itself.
bool ParseFinite(std::string_view text, double& value) {
    if (text.empty()) {
        return false;
    }
    const char* first = text.data();
    const char* last = first + text.size();
    if (*first == '-' || *first == '.' || (*first >= '0' && *first <= '9')) {
        if (ParseShortDecimal(text, value)) {
            return true;
        }
        const auto [end, ec] = std::from_chars(first, last, value);
        if (ec == std::errc() && end == last &&
            (std::isnormal(value) ||
             (value == 0 && NoNonzeroDigit(text.substr(0, text.find_first_of("eE")))))) {
            return true;
        }
    }
    // strtod stops at a NUL byte, which then refuses the field as before.
    const std::string copy(text);
    char* end = nullptr;
    errno = 0;
    value = std::strtod(copy.c_str(), &end);
    return end == copy.c_str() + copy.size() && errno == 0 && std::isfinite(value);
}

// The run counter compares whole sample numbers; one beyond int64_t counts as its lowest, as
// the conversion has always given on the hosts the program runs on.
int64_t SampleNumber(double sample) {
    return sample >= -0x1p63 && sample < 0x1p63 ? static_cast<int64_t>(sample) : INT64_MIN;
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

constexpr size_t kBlockValues = 4096;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using LogFile = std::unique_ptr<std::FILE, FileCloser>;

// A log opened for reading, or null with the reason. A pipe or a device would hold the
// program, or never end.
LogFile OpenLog(const std::string& path, std::string& why) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        why = path + " is not a file that can be read.";
        return nullptr;
    }
    LogFile file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        why = path + " cannot be opened.";
    }
    return file;
}

// The log's lines as std::getline gives them, read in large blocks: the last one need not
// end in a newline, and a line longer than a block grows the block.
class LineReader {
public:
    explicit LineReader(std::FILE* file) : file_(file), buffer_(kBlock) {}

    // False at the end of the file.
    bool Next(std::string_view& line) {
        for (;;) {
            const char* start = buffer_.data() + begin_;
            if (const void* newline = std::memchr(start, '\n', end_ - begin_)) {
                const size_t length = static_cast<const char*>(newline) - start;
                line = {start, length};
                begin_ += length + 1;
                return true;
            }
            if (atEnd_) {
                line = {start, end_ - begin_};
                begin_ = end_;
                return !line.empty();
            }
            Refill();
        }
    }

    // Bytes before the line Next gives next.
    uint64_t Consumed() const { return before_ + begin_; }
    bool Failed() const { return failed_; }

private:
    // Reads as fast as 1 MiB blocks did (bench_log), and a short log costs no megabyte of
    // zeroed pages, which had slowed the log fuzzer tenfold.
    static constexpr size_t kBlock = size_t{1} << 16;

    void Refill() {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        before_ += begin_;
        end_ -= begin_;
        begin_ = 0;
        if (end_ == buffer_.size()) {
            buffer_.resize(buffer_.size() * 2);
        }
        const size_t got = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_);
        end_ += got;
        if (got == 0) {
            atEnd_ = true;
            failed_ = std::ferror(file_) != 0;
        }
    }

    std::FILE* file_;
    std::vector<char> buffer_;
    size_t begin_ = 0; // of the unread part
    size_t end_ = 0;   // of the bytes read
    uint64_t before_ = 0;
    bool atEnd_ = false;
    bool failed_ = false;
};

// The column's values a block at a time, with the bytes read before the block's end.
using BlockSink = std::function<void(std::span<const double>, uint64_t)>;

LogColumn ReadColumn(const std::string& path, int column, const BlockSink& block) {
    LogColumn out;
    std::vector<double> pending;
    pending.reserve(kBlockValues);
    auto fail = [&out](std::string why) {
        out.values.clear();
        out.error = std::move(why);
        return out;
    };
    std::string why;
    const LogFile file = OpenLog(path, why);
    if (!file) {
        return fail(why);
    }
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
    LineReader reader(file.get());
    std::vector<std::string> names; // of the first header block
    int64_t lineNumber = 0;
    bool inHeader = false;
    int64_t count = 0;
    std::vector<std::string> previous;
    int64_t lastSample = 0;
    for (std::string_view line; reader.Next(line);) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            continue;
        }
        const size_t tab = line.find('\t');
        const std::string_view first = line.substr(0, tab);
        const bool headerStart =
            tab != std::string_view::npos && line.substr(tab + 1).starts_with("Date\t");
        if (lineNumber == 1 && !headerStart) {
            return fail(path + " is not a log of this program: it does not start with the "
                               "device and \"Date\".");
        }
        if (headerStart) {
            inHeader = true;
            if (out.model.empty()) {
                out.model = first;
            }
            continue;
        }
        if (inHeader) {
            const auto fields = Fields(line);
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
            previous.assign(fields.begin(), fields.end());
            continue;
        }
        double sample = 0;
        if (names.empty() || !ParseFinite(first, sample)) {
            return fail("Line " + std::to_string(lineNumber) + " is not a data line of the log.");
        }
        const int64_t number = SampleNumber(sample);
        if (number <= lastSample || sample == 1) {
            ++out.passes;
        }
        lastSample = number;
        // Field `column`, when the line has that many.
        size_t start = 0;
        size_t stop = tab;
        bool present = true;
        for (int k = 0; k < column && present; ++k) {
            present = stop != std::string_view::npos;
            start = present ? stop + 1 : line.size();
            stop = present ? line.find('\t', start) : stop;
        }
        const std::string_view text =
            line.substr(start, stop == std::string_view::npos ? stop : stop - start);
        double value = 0;
        if (!present || !ParseFinite(text, value)) {
            return fail("Line " + std::to_string(lineNumber) + ": column " +
                        std::to_string(column) + " reads \"" + std::string(text) +
                        "\", not a number.");
        }
        pending.push_back(value);
        ++count;
        if (pending.size() == kBlockValues) {
            block(pending, reader.Consumed());
            pending.clear();
        }
    }
    if (reader.Failed()) {
        return fail(path + " could not be read to its end.");
    }
    if (names.empty()) {
        return fail(path + " ends inside the log's header.");
    }
    if (count == 0) {
        return fail(path + " holds no samples.");
    }
    if (!pending.empty()) {
        block(pending, reader.Consumed());
    }
    return out;
}

} // namespace

LogColumn ReadLogColumn(const std::string& path, int column,
                        const std::function<void(std::span<const double>)>& block) {
    return ReadColumn(path, column,
                      [&](std::span<const double> values, uint64_t) { block(values); });
}

LogColumn ReadLogColumn(const std::string& path, int column) {
    std::error_code ec;
    const uint64_t fileSize =
        std::filesystem::is_regular_file(path, ec) ? std::filesystem::file_size(path, ec) : 0;
    std::vector<double> values;
    LogColumn out = ReadColumn(path, column, [&](std::span<const double> block, uint64_t consumed) {
        if (values.empty() && fileSize > 0 && consumed > 0) {
            // The first block tells how many values the rest of the file holds.
            const double perByte =
                static_cast<double>(block.size()) / static_cast<double>(consumed);
            values.reserve(static_cast<size_t>(1.1 * perByte * static_cast<double>(fileSize)));
        }
        values.insert(values.end(), block.begin(), block.end());
    });
    if (out.error.empty()) {
        out.values = std::move(values);
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
    auto range = [](const AllanFit& fit) {
        return " (tau " + Number(fit.tauLow) + " to " + Number(fit.tauHigh) + " s, " +
               std::to_string(fit.points) + (fit.points == 1 ? " point)" : " points)");
    };
    std::string text;
    if (result.whiteNoise) {
        const double n = *result.whiteNoise;
        text += "White noise N: " + Number(n) + " " + units + "/sqrt(Hz) at tau = 1 s" +
                range(result.whiteNoiseFit) + "\n";
        if (gyroscope) {
            text += "Angle random walk: " + Number(60.0 * n) + " deg/sqrt(h)\n";
        }
        text += "Equivalent one-sided density sqrt(2) N: " + Number(std::sqrt(2.0) * n) + " " +
                units + "/sqrt(Hz)\n";
    } else {
        text += "White noise N: absent: " + result.whiteNoiseFit.reason + "\n";
    }
    if (result.biasInstability) {
        text += "Bias instability: " + Number(*result.biasInstability) + " " + units +
                " at tau = " + Number(result.minimumTau) + " s" + range(result.biasInstabilityFit) +
                "\n";
    } else {
        text += "Bias instability: absent: " + result.biasInstabilityFit.reason + "\n";
    }
    if (result.rateRandomWalk) {
        text += "Rate random walk K: " + Number(*result.rateRandomWalk) + " " + units +
                "*sqrt(Hz) at tau = 3 s" + range(result.rateRandomWalkFit);
    } else {
        text += "Rate random walk K: absent: " + result.rateRandomWalkFit.reason;
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
    std::string text = "tau_s,samples_averaged,deviation_" + units + ",uncertainty_" + units +
                       ",low_68_" + units + ",high_68_" + units + ",edf\n";
    for (const auto& p : result.points) {
        text += Fixed(p.tau) + "," + std::to_string(p.m) + "," + Fixed(p.deviation) + "," +
                Fixed(p.uncertainty) + "," + Fixed(p.low) + "," + Fixed(p.high) + "," +
                Fixed(p.edf) + "\n";
    }
    return text;
}

namespace {

LogTable ReadTable(const std::string& path, bool headerOnly) {
    LogTable out;
    auto fail = [&out](std::string why) {
        out.columns.clear();
        out.error = std::move(why);
        return out;
    };
    std::string why;
    const LogFile file = OpenLog(path, why);
    if (!file) {
        return fail(why);
    }
    LineReader reader(file.get());
    std::vector<std::string_view> fields;
    std::vector<std::pair<std::string, std::string>> block;
    std::vector<std::string> lastNames; // the fields after the first of the header's last line
    int64_t lineNumber = 0;
    bool inHeader = false;
    int64_t lastSample = 0;
    for (std::string_view line; reader.Next(line);) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            continue;
        }
        fields = Fields(line);
        if (fields.size() > 2 && fields[1] == "Date") {
            inHeader = true;
            out.model = out.model.empty() ? std::string(fields[0]) : out.model;
            block = {{"Date", std::string(fields[2])}};
            continue;
        }
        if (lineNumber == 1) {
            return fail(path + " is not a log of this program: it does not start with the "
                               "device and \"Date\".");
        }
        if (inHeader && fields[0] != "Sample") {
            const size_t tab = line.find('\t');
            block.emplace_back(line.substr(0, tab),
                               tab == std::string_view::npos ? "" : line.substr(tab + 1));
            lastNames.assign(fields.begin() + 1, fields.end());
            continue;
        }
        if (inHeader) {
            // The line before names the channels; this one gives their units.
            inHeader = false;
            // A names line without a tab names no data column, as the column reader has it.
            if (block.size() < 2 || lastNames.empty()) {
                return fail("Line " + std::to_string(lineNumber) + ": no line names the columns.");
            }
            std::vector<std::string> names{"Sample"};
            names.insert(names.end(), lastNames.begin(), lastNames.end());
            block.pop_back();
            out.headers.push_back(std::move(block));
            if (out.names.empty()) {
                out.names = names;
                out.columns.resize(names.size());
                for (size_t k = 0; k < names.size(); ++k) {
                    out.units.emplace_back(k > 0 && k < fields.size() ? fields[k] : "");
                }
                if (headerOnly) {
                    out.columns.clear();
                    return out;
                }
            } else if (names != out.names) {
                return fail("Line " + std::to_string(lineNumber) +
                            ": the log's columns change here.");
            }
            continue;
        }
        if (out.names.empty()) {
            return fail("Line " + std::to_string(lineNumber) + " is not a data line of the log.");
        }
        for (size_t k = 0; k < out.columns.size(); ++k) {
            const std::string_view text = k < fields.size() ? fields[k] : std::string_view();
            double value = 0;
            if (!ParseFinite(text, value)) {
                return fail(
                    k == 0
                        ? "Line " + std::to_string(lineNumber) + " is not a data line of the log."
                        : "Line " + std::to_string(lineNumber) + ": column " + std::to_string(k) +
                              " reads \"" + std::string(text) + "\", not a number.");
            }
            out.columns[k].push_back(value);
        }
        const int64_t number = SampleNumber(out.columns[0].back());
        out.passes += number <= lastSample || out.columns[0].back() == 1;
        lastSample = number;
    }
    if (reader.Failed()) {
        return fail(path + " could not be read to its end.");
    }
    if (out.names.empty()) {
        return fail(path + " ends inside the log's header.");
    }
    if (out.columns[0].empty()) {
        return fail(path + " holds no samples.");
    }
    return out;
}

} // namespace

LogTable ReadLogTable(const std::string& path) { return ReadTable(path, false); }

LogTable ReadLogHeader(const std::string& path) { return ReadTable(path, true); }
