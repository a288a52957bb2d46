// The record reader on any bytes: every block it hands out is whole and in order, and it ends
// (with or without a reason) rather than reading past what the file holds.
#include "analysis/RecordFile.h"
#include "fuzz/MemFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static MemFile file;
    file.Write(data, size);
    RecordReader reader;
    if (!reader.Open(file.Path())) {
        return 0;
    }
    const size_t channels = reader.Header().channels.size();
    if (channels == 0 || channels > 16) {
        std::abort();
    }
    RecordBlock block;
    int64_t next = 0;
    while (reader.Next(block)) {
        if (block.first != next || block.count == 0 || block.times.size() != block.count ||
            block.values.size() != block.count * channels ||
            block.codes.size() != block.count * channels) {
            std::abort();
        }
        next += block.count;
    }
    if (reader.SamplesRead() != next) {
        std::abort();
    }
    return 0;
}
