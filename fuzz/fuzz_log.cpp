// The log readers on any bytes: the first byte picks the column (-1..6), the rest is the file.
// A log the whole-log reader takes gives the column reader the same column.
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
    const LogTable table = ReadLogTable(file.Path());
    if (table.error.empty() && column >= 1 && static_cast<size_t>(column) < table.names.size() &&
        (log.values != table.columns[static_cast<size_t>(column)] || log.passes != table.passes)) {
        std::abort();
    }
    return 0;
}
