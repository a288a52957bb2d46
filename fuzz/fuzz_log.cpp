// The log reader on any bytes: the first byte picks the column (-1..6), the rest is the file.
#include "analysis/NoiseRecord.h"
#include "fuzz/MemFile.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static MemFile file;
    if (size == 0) {
        return 0;
    }
    const int column = data[0] % 8 - 1;
    file.Write(data + 1, size - 1);
    const LogColumn log = ReadLogColumn(file.Path(), column);
    if (!log.error.empty() && !log.values.empty()) {
        std::abort();
    }
    for (const double v : log.values) {
        if (!std::isfinite(v)) {
            std::abort();
        }
    }
    if (!log.values.empty()) {
        (void)DefaultSegmentLength(log.values.size());
    }
    return 0;
}
