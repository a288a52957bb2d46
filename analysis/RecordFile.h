// The record file of a long run (docs/RECORD-FORMAT.md): a header naming the channels, then
// blocks of samples, each with its count, its first sample's index, the times, the codes and
// the values, and a CRC. The writer hands each whole block to a sink as it fills, so that a
// run never holds the record; the reader hands out one block at a time and stops at the last
// whole block of a file cut short by a kill or a power cut.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

inline constexpr uint32_t kRecordBlockSamples = 4096;
// Times are kept in steps of 100 ns.
inline constexpr double kRecordTimeStep = 1e-7;

struct RecordChannel {
    int number = 0; // the program's channel number (0..3)
    std::string name;
    std::string units;
};

struct RecordHeader {
    std::string model;
    // The pacing grid: sample k at k / rateHz seconds from the first; 0 for an unpaced run.
    double rateHz = 0;
    // The board's own conversion rate where it is known, else 0.
    double boardRateHz = 0;
    int64_t startUnixNs = 0; // the wall clock at the first sample
    double temperatureC = 0; // read before the run; NaN when there was none
    double readDelayMs = 0;  // the read delay between samples
    uint32_t blockSamples = kRecordBlockSamples;
    std::vector<RecordChannel> channels;
};

// One block as read: count samples from index first, each channel's codes and values.
struct RecordBlock {
    int64_t first = 0;
    uint32_t count = 0;
    std::vector<double> times; // seconds from the first sample's deadline
    std::vector<uint16_t> codes;
    std::vector<float> values;

    std::span<const uint16_t> Codes(size_t channel) const {
        return {codes.data() + channel * count, count};
    }
    std::span<const float> Values(size_t channel) const {
        return {values.data() + channel * count, count};
    }
};

// Encodes a record into whole blocks handed to the sink; false from the sink ends it.
class RecordWriter {
public:
    using Sink = std::function<bool(std::string_view)>;
    RecordWriter(RecordHeader header, Sink sink);

    // Writes the header; false when the sink refused it.
    bool Begin();
    // Adds one sample: its time in seconds from the first deadline and one code and value per
    // channel. A full block goes to the sink. false once anything failed (Error() says why).
    bool Add(double time, std::span<const int32_t> codes, std::span<const float> values);
    // Writes the block in progress, however short.
    bool Flush();
    // Flushes and writes the end mark: a record without one was cut short.
    bool Finish();
    int64_t Samples() const { return next_; }
    const std::string& Error() const { return error_; }

private:
    bool Fail(std::string reason);

    RecordHeader header_;
    Sink sink_;
    int64_t next_ = 0;
    int64_t blockFirst_ = 0;
    int64_t base_ = 0; // the block's time base, in steps from the grid
    std::vector<int32_t> offsets_;
    std::vector<uint16_t> codes_;
    std::vector<float> values_;
    std::string buffer_;
    std::string error_;
};

// Reads a record file block by block.
class RecordReader {
public:
    RecordReader() = default;
    ~RecordReader();
    RecordReader(const RecordReader&) = delete;
    RecordReader& operator=(const RecordReader&) = delete;

    // Opens and reads the header; false with Error() saying why.
    bool Open(const std::string& path);
    const RecordHeader& Header() const { return header_; }
    // The next whole block; false at the end, with Error() empty at the record's end mark and
    // saying why otherwise (cut short by a kill or a power cut, or damaged).
    bool Next(RecordBlock& block);
    int64_t SamplesRead() const { return read_; }
    const std::string& Error() const { return error_; }

private:
    bool ReadExactly(void* data, size_t size);

    std::FILE* file_ = nullptr;
    RecordHeader header_;
    int64_t read_ = 0;
    bool ended_ = false; // at the end mark
    std::string error_;
    std::string buffer_;
};

// True when the file begins as a record file.
bool IsRecordFile(const std::string& path);
