// Reading the record files of long runs (docs/RECORD-FORMAT.md) a block at a time, in memory
// that does not grow with the record, and turning one into the tab-separated log.
#pragma once

#include <quelto/Error.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quelto {

struct RecordChannel {
    int number = 0;
    std::string name;
    std::string units;
};

struct RecordInfo {
    std::string model;
    double rate_hz = 0;       // the pacing grid's; 0: unpaced
    double board_rate_hz = 0; // 0: not known
    int64_t start_unix_ns = 0;
    double temperature_c = 0;
    double read_delay_ms = 0;
    std::vector<RecordChannel> channels;
};

// Samples first .. first + times.size() - 1; codes and values by channel.
struct RecordSamples {
    int64_t first = 0;
    std::vector<double> times; // seconds from the first sample's deadline
    std::vector<std::vector<uint16_t>> codes;
    std::vector<std::vector<float>> values;
};

class RecordFile {
public:
    // Error (run failed) when path cannot be read or is not a record file.
    explicit RecordFile(const std::string& path);
    ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    const RecordInfo& info() const;
    // The next block; false at the end. A record cut short (a kill, a power cut) ends at its
    // last whole block, and error() then says so.
    bool next(RecordSamples& samples);
    const std::string& error() const;
    int64_t samples_read() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// True when path begins as a record file.
bool is_record(const std::string& path);

// The record as the log "Log Data" writes, handed to write a piece at a time (which may throw
// to end it). Returns why the record ended early (its lines up to there are written), or
// empty; Error when it is no record.
std::string record_to_log(const std::string& record_path,
                          const std::function<void(std::string_view)>& write);

} // namespace quelto
