// The library's record reader and conversion, on the core's.
#include <quelto/Record.h>

#include "analysis/RecordFile.h"
#include "commands/RecordRun.h"

namespace quelto {

struct RecordFile::State {
    RecordReader reader;
    RecordInfo info;
    RecordBlock block;
};

RecordFile::RecordFile(const std::string& path) : state_(std::make_unique<State>()) {
    auto& s = *state_;
    if (!s.reader.Open(path)) {
        throw Error(ErrorKind::RunFailed, s.reader.Error(), "record");
    }
    const RecordHeader& h = s.reader.Header();
    s.info = {h.model, h.rateHz, h.boardRateHz, h.startUnixNs, h.temperatureC, h.readDelayMs, {}};
    for (const auto& ch : h.channels) {
        s.info.channels.push_back({ch.number, ch.name, ch.units});
    }
}

RecordFile::~RecordFile() = default;

const RecordInfo& RecordFile::info() const { return state_->info; }

bool RecordFile::next(RecordSamples& samples) {
    auto& s = *state_;
    if (!s.reader.Next(s.block)) {
        return false;
    }
    const size_t channels = s.info.channels.size();
    samples.first = s.block.first;
    samples.times = s.block.times;
    samples.codes.resize(channels);
    samples.values.resize(channels);
    for (size_t ch = 0; ch < channels; ++ch) {
        const auto codes = s.block.Codes(ch);
        const auto values = s.block.Values(ch);
        samples.codes[ch].assign(codes.begin(), codes.end());
        samples.values[ch].assign(values.begin(), values.end());
    }
    return true;
}

const std::string& RecordFile::error() const { return state_->reader.Error(); }

int64_t RecordFile::samples_read() const { return state_->reader.SamplesRead(); }

bool is_record(const std::string& path) { return IsRecordFile(path); }

std::string record_to_log(const std::string& record_path,
                          const std::function<void(std::string_view)>& write) {
    if (!IsRecordFile(record_path)) {
        RecordReader reader;
        reader.Open(record_path);
        throw Error(ErrorKind::RunFailed, reader.Error(), "record_path");
    }
    return RecordToLog(record_path, [&write](std::string_view text) {
        write(text);
        return true;
    });
}

} // namespace quelto
