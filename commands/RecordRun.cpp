#include "commands/RecordRun.h"

#include "commands/DataLog.h"
#include "commands/Sweep.h"
#include "interfaces/Interface.h"
#include "platform/Clock.h"
#include "platform/Delay.h"
#include "platform/SimulatorControl.h"
#include "platform/TextFormat.h"
#include "sensors/Acquisition.h"
#include "sensors/ReadData.h"
#include "sensors/SensorModels.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

namespace {

constexpr int kRateProbeReads = 256;

struct RecordPass {
    std::vector<int16_t> channels;
    int16_t sel = 0;
    bool readAhead = false;
    std::vector<int32_t> codes;
    std::vector<float> values;
};

// One line of the record: a read of every channel. The parallel port's converters answer one
// transfer late, as in a log: each read addresses the next channel and brings the one before.
std::optional<AcquiredSample> TakeRecordSample(RecordPass& pass) {
    auto& acq = Acquisition();
    const auto& channels = pass.channels;
    if (pass.readAhead) {
        acq.ChannelIndex = channels.front();
        ReadChannel(acq.ChannelIndex);
    }
    for (size_t i = 0; i < channels.size(); ++i) {
        acq.ChannelIndex = pass.readAhead ? channels[(i + 1) % channels.size()] : channels[i];
        pass.codes[i] = ReadChannel(acq.ChannelIndex);
        pass.values[i] = ChannelValue(pass.codes[i], channels[i]);
    }
    acq.ChannelIndex = pass.sel;
    if (AdapterLost()) {
        return std::nullopt;
    }
    return AcquiredSample{pass.codes[0], pass.values[0]};
}

int64_t UnixNanoseconds() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
}

} // namespace

double BoardRateHz(const std::vector<int16_t>& channels) {
    const double lines = static_cast<double>(std::max<size_t>(channels.size(), 1));
    if (const SimulatorControl* sim = Simulator(); sim != nullptr && sim->ConversionRateHz() > 0) {
        return sim->ConversionRateHz() / lines;
    }
    RecordPass pass{channels, Acquisition().ChannelIndex, false, {}, {}};
    pass.codes.resize(channels.size());
    pass.values.resize(channels.size());
    pass.readAhead = Interface().InterfaceCode == kParallelInterface && channels.size() > 1;
    Clock& clock = SystemClock();
    const double t0 = clock.Now();
    for (int k = 0; k < kRateProbeReads; ++k) {
        if (!TakeRecordSample(pass)) {
            return 0;
        }
    }
    const double seconds = clock.Now() - t0;
    return seconds > 0 ? kRateProbeReads / seconds : 0;
}

std::string PaceRefusal(double paceHz, double boardRateHz) {
    if (!(std::isfinite(paceHz) && paceHz >= 0)) {
        return "the sample rate is a number of Hz, 0 or more";
    }
    if (paceHz > 0 && boardRateHz > 0 && paceHz > boardRateHz) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "a sample rate of %.6g Hz is above the board's own %.6g Hz for these "
                      "channels; choose at most that",
                      paceHz, std::floor(boardRateHz * 100) / 100);
        return text;
    }
    return {};
}

CommandResult<RecordTaken> RecordRun(const RecordPlan& plan) {
    const ShownMessages shown;
    auto& acq = Acquisition();
    const AcquisitionGuard guard = StartAcquisition();
    if (!guard) {
        return shown.Refused<RecordTaken>(guard.Refusal());
    }
    if (plan.channels.empty()) {
        return {Outcome::Refused, "no channel to record"};
    }
    const float temperature = ReadTemperature();
    RecordTaken taken;
    taken.paceHz = acq.PaceHz;
    taken.boardRateHz = BoardRateHz(plan.channels);
    if (const std::string why = PaceRefusal(acq.PaceHz, taken.boardRateHz); !why.empty()) {
        return {Outcome::Refused, why};
    }

    RecordPass pass{plan.channels, acq.ChannelIndex, false, {}, {}};
    pass.codes.resize(plan.channels.size());
    pass.values.resize(plan.channels.size());
    pass.readAhead = Interface().InterfaceCode == kParallelInterface && plan.channels.size() > 1;

    const auto& c = Catalogue();
    RecordHeader header;
    header.model = c.DeviceName;
    header.rateHz = acq.PaceHz;
    header.boardRateHz = taken.boardRateHz;
    header.startUnixNs = UnixNanoseconds();
    header.temperatureC = temperature;
    header.readDelayMs = acq.LoopDelayMs;
    for (const int16_t ch : plan.channels) {
        const auto i = static_cast<size_t>(std::clamp<int16_t>(ch, 0, 8));
        header.channels.push_back({ch, c.ChannelName[i], c.ChannelUnits[i]});
    }
    RecordWriter writer(header, plan.sink);
    if (!writer.Begin()) {
        return {Outcome::Failed, writer.Error(), taken};
    }

    std::vector<float> block;
    block.reserve(kRecordBlockSamples);
    const auto handBlock = [&plan, &block] {
        if (plan.block && !block.empty()) {
            plan.block(block);
        }
        block.clear();
    };
    double lastTime = 0;
    AcquisitionListener recorder;
    recorder.record = [&](const AcquiredSample& sample) {
        lastTime = sample.time;
        return writer.Add(sample.time, pass.codes, pass.values);
    };
    recorder.sample = [&](const AcquiredSample& sample) {
        block.push_back(sample.value);
        if (block.size() == kRecordBlockSamples) {
            handBlock();
            if (plan.progress) {
                plan.progress(writer.Samples());
            }
        }
    };
    if (plan.started) {
        plan.started(taken.paceHz, taken.boardRateHz);
    }
    BeginPass();
    const bool completed = RunAcquisition(
        {.takeSample = [&pass] { return TakeRecordSample(pass); },
         .keep = SampleKeeping::Nothing,
         .samples = plan.samples > 0 ? plan.samples : std::numeric_limits<int64_t>::max(),
         .listeners = {recorder}});
    acq.ChannelIndex = pass.sel;
    handBlock();
    const bool flushed = writer.Finish();
    taken.samples = writer.Samples();
    taken.deadlinesMissed = acq.DeadlinesMissed;
    taken.seconds = lastTime;
    if (plan.progress) {
        plan.progress(taken.samples);
    }
    DropLostAdapter();
    if (!flushed || !writer.Error().empty()) {
        return {Outcome::Failed, writer.Error(), taken};
    }
    return shown.Ended(completed, taken);
}

std::string RecordToLog(const std::string& path, const RecordWriter::Sink& sink) {
    RecordReader record;
    RecordBlock block;
    // The header counts the samples: a first pass over the blocks.
    if (!record.Open(path)) {
        return record.Error();
    }
    while (record.Next(block)) {
    }
    const int64_t samples = record.SamplesRead();
    if (!record.Open(path)) {
        return record.Error();
    }
    const RecordHeader& h = record.Header();
    LogHeaderFields fields;
    fields.device = h.model;
    fields.time = static_cast<std::time_t>(h.startUnixNs / 1000000000);
    fields.temperature = static_cast<float>(h.temperatureC);
    fields.samples = samples;
    fields.readDelayMs = static_cast<float>(h.readDelayMs);
    for (const auto& ch : h.channels) {
        fields.names.push_back(ch.name);
        fields.units.push_back(ch.units);
    }
    const SensorModel* model = FindSensorModel(h.model);
    fields.accelerometer = model != nullptr && model->kind == SensorKind::Accelerometer;
    if (!sink(LogHeaderText(fields))) {
        return "the log could not be written";
    }
    std::string lines;
    const size_t channels = h.channels.size();
    while (record.Next(block)) {
        lines.clear();
        for (uint32_t k = 0; k < block.count; ++k) {
            lines += std::to_string(block.first + k + 1);
            for (size_t ch = 0; ch < channels; ++ch) {
                lines += '\t';
                lines += GeneralText(block.values[ch * block.count + k]);
            }
            lines += "\r\n";
        }
        if (!sink(lines)) {
            return "the log could not be written";
        }
    }
    return record.Error();
}
