// A long run of the chosen channels streamed to a record file (analysis/RecordFile.h) as it
// goes, paced when the acquisition's PaceHz says so; and a record turned into the
// tab-separated log "Log Data" writes.
#pragma once

#include "analysis/RecordFile.h"
#include "commands/CommandResult.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

struct RecordPlan {
    std::vector<int16_t> channels; // in the record's order; the first is the one analysed
    int64_t samples = 0;           // 0: until Stop
    RecordWriter::Sink sink;
    // Before the first sample, with the pace and the board's rate.
    std::function<void(double paceHz, double boardRateHz)> started;
    // The first channel's values, a block at a time as they are written.
    std::function<void(std::span<const float>)> block;
    // Samples taken so far, now and then.
    std::function<void(int64_t)> progress;
};

struct RecordTaken {
    int64_t samples = 0;
    int64_t deadlinesMissed = 0;
    double seconds = 0; // from the first sample to the last
    double paceHz = 0;
    double boardRateHz = 0;
};

// The board's own rate of lines of these channels: the simulated board's conversion rate
// shared among them, or on hardware the rate of a burst of unpaced reads.
double BoardRateHz(const std::vector<int16_t>& channels);
// Why a pace cannot be kept (negative, not a number, or above the board's rate), or empty.
std::string PaceRefusal(double paceHz, double boardRateHz);

// The run: a header, then blocks of samples to the sink. Stopped by Stop (the record then
// ends with the last sample taken); failed when the sink failed.
CommandResult<RecordTaken> RecordRun(const RecordPlan& plan);

// A record as the log "Log Data" writes (its header block, then a line a sample), to the
// sink; the reason when the record could not be read whole (the lines up to its last whole
// block are written), or when the sink failed.
std::string RecordToLog(const std::string& path, const RecordWriter::Sink& sink);
