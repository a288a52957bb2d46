#include "commands/NoiseAnalysis.h"

#include "analysis/NoiseRecord.h"
#include "forms/Forms.h"
#include "platform/ReplacingFile.h"
#include "platform/TextFormat.h"
#include "sensors/Acquisition.h"
#include "sensors/SensorModels.h"

#include <optional>
#include <utility>

namespace {

// The units the program gives a rate in.
constexpr const char* kRateUnits = "Dgr/S";

void ShowRecordError(const std::string& error) {
    auto& noise = frmNoise();
    auto& allan = frmAllan();
    noise.result = {};
    allan.result = {};
    noise.lblFigures.caption.clear();
    allan.lblFigures.caption.clear();
    noise.lblMessage.caption = error;
    allan.lblMessage.caption = error;
}

size_t SegmentLength(size_t samples) {
    auto& box = frmNoise().cboSegment;
    if (!frmNoise().segmentChosen) {
        box.text = std::to_string(DefaultSegmentLength(samples));
    }
    return static_cast<size_t>(LeadingNumber(box.text));
}

void SetCollect(bool on) {
    auto& record = NoiseRecord();
    if (on && !record.collecting) {
        record = {};
        record.collecting = true;
        record.source = "Collecting: run Continuous Loop sweeps";
        record.collected = [] {
            if (frmNoise().form.visible || frmAllan().form.visible) {
                AnalyseNoiseRecord();
            }
        };
    }
    record.collecting = on;
    frmNoise().chkCollect.value = on ? 1 : 0;
    frmAllan().chkCollect.value = on ? 1 : 0;
    AnalyseNoiseRecord();
}

std::optional<double> AskPositive(const std::string& prompt, const std::string& initial) {
    std::string answer = initial;
    for (;;) {
        const auto given = Ui().InputBox(prompt, "Open Log", answer);
        if (!given) {
            return std::nullopt;
        }
        const auto value = ParseNumber(*given);
        if (value && *value > 0) {
            return value;
        }
        Ui().MsgBox("Please enter a positive number.");
        answer = *given;
    }
}

} // namespace

void frmNoise_Form_Load() {
    auto& g = frmNoise().form;
    g.left = 300;
    g.top = 150;
    g.width = 11000;
    g.height = 8000;
}

void frmAllan_Form_Load() {
    auto& g = frmAllan().form;
    g.left = 900;
    g.top = 150;
    g.width = 11000;
    g.height = 8000;
}

namespace {

// Either window opens on the last sweep when there is no record yet.
void ShowNoiseWindow(FormId form) {
    ShowForm(form);
    if (NoiseRecord().values.empty() && !NoiseRecord().collecting) {
        cmdNoiseLastSweep_Click();
    } else {
        AnalyseNoiseRecord();
    }
}

} // namespace

void mnuNoiseDensity_Click() { ShowNoiseWindow(FormId::frmNoise); }

void mnuAllan_Click() { ShowNoiseWindow(FormId::frmAllan); }

void cmdNoiseLastSweep_Click() {
    const auto& acq = Acquisition();
    auto& record = NoiseRecord();
    const bool collecting = record.collecting;
    auto collected = std::move(record.collected);
    record = {};
    record.collecting = collecting;
    record.collected = std::move(collected);
    const auto taken = static_cast<size_t>(std::clamp(acq.SamplesTaken, 0, kMaxSampleIndex));
    record.values.assign(acq.Samples.begin(), acq.Samples.begin() + static_cast<ptrdiff_t>(taken));
    record.sampleRate = acq.SampleRateHz;
    const auto ch = static_cast<size_t>(std::clamp<int16_t>(acq.ChannelIndex, 0, 8));
    record.units = Catalogue().ChannelUnits[ch];
    record.source =
        "Last sweep: " + std::to_string(taken) + " samples of " + Catalogue().ChannelName[ch];
    AnalyseNoiseRecord();
}

void frmNoise_chkCollect_Click() { SetCollect(frmNoise().chkCollect.value != 0); }

void frmAllan_chkCollect_Click() { SetCollect(frmAllan().chkCollect.value != 0); }

void NoiseOpenLog(const std::string& path) {
    const auto column = AskPositive("Column of the log to analyse (1 is the first after the "
                                    "sample number):",
                                    "1");
    if (!column) {
        return;
    }
    const double lastRate = Acquisition().SampleRateHz;
    const auto rate = AskPositive("Sample rate of the log, Hz (the log does not record it):",
                                  lastRate > 0 ? GeneralText(lastRate) : "100");
    if (!rate) {
        return;
    }
    LogColumn log = ReadLogColumn(path, static_cast<int>(*column));
    auto& record = NoiseRecord();
    record = {};
    frmNoise().chkCollect.value = frmAllan().chkCollect.value = 0;
    if (!log.error.empty()) {
        ShowRecordError(log.error);
        return;
    }
    record.values = std::move(log.values);
    record.sampleRate = *rate;
    record.units = log.units;
    record.source = "Log " + path + ", column " + GeneralText(*column) + " (" + log.name + "), " +
                    std::to_string(log.passes) + (log.passes == 1 ? " pass, " : " passes, ") +
                    std::to_string(record.values.size()) + " samples";
    AnalyseNoiseRecord();
}

void cboNoiseSegment_Click() {
    frmNoise().segmentChosen = true;
    AnalyseNoiseRecord();
}

void AnalyseNoiseRecord() {
    const auto& record = NoiseRecord();
    auto& noise = frmNoise();
    auto& allan = frmAllan();
    noise.lblSource.caption = allan.lblSource.caption = record.source;
    noise.lblMessage.caption = allan.lblMessage.caption = "";
    if (record.values.empty()) {
        ShowRecordError(record.collecting ? "No sweep collected yet."
                                          : "No record yet: take a sweep, collect sweeps or "
                                            "open a log.");
        return;
    }
    if (!(record.sampleRate > 0)) {
        ShowRecordError("The record has no measured sample rate.");
        return;
    }
    const bool gyroscope = record.units == kRateUnits;
    noise.result =
        NoiseDensity(record.values, record.sampleRate, SegmentLength(record.values.size()));
    noise.lblMessage.caption = noise.result.error;
    noise.lblFigures.caption = noise.result.error.empty()
                                   ? DensityFigures(noise.result, record.sampleRate, record.units)
                                   : "";
    allan.result = AllanDeviation(record.values, 1.0 / record.sampleRate);
    allan.lblMessage.caption = allan.result.error;
    allan.lblFigures.caption =
        allan.result.error.empty() ? AllanFigures(allan.result, record.units, gyroscope) : "";
    if (!noise.result.error.empty()) {
        noise.result.frequency.clear();
        noise.result.density.clear();
    }
    if (!allan.result.error.empty()) {
        allan.result.points.clear();
    }
}

void NoiseExportCsv(FormId form, const std::string& path) {
    const auto& units = NoiseRecord().units;
    NoiseWindowForm& window =
        form == FormId::frmAllan ? static_cast<NoiseWindowForm&>(frmAllan()) : frmNoise();
    const bool empty = form == FormId::frmAllan ? frmAllan().result.points.empty()
                                                : frmNoise().result.frequency.empty();
    if (empty) {
        window.lblMessage.caption = "Nothing to export: there is no curve.";
        return;
    }
    const std::string text = form == FormId::frmAllan ? AllanCsv(frmAllan().result, units)
                                                      : DensityCsv(frmNoise().result, units);
    std::string error;
    window.lblMessage.caption = ReplacingFile::WriteWhole(path, text, error)
                                    ? "Saved " + path
                                    : "Could not write " + path + ": " + error;
}

void CollectSweep(std::span<const float> samples, double sampleRate, const std::string& units) {
    auto& record = NoiseRecord();
    if (!record.collecting || samples.empty() || !(sampleRate > 0)) {
        return;
    }
    if (record.values.size() + samples.size() > kMaxNoiseRecord) {
        record.collecting = false;
        return;
    }
    const double before = static_cast<double>(record.values.size());
    const double added = static_cast<double>(samples.size());
    record.sampleRate = (record.sampleRate * before + sampleRate * added) / (before + added);
    record.values.insert(record.values.end(), samples.begin(), samples.end());
    record.units = units;
    ++record.sweepsCollected;
    record.source = std::to_string(record.sweepsCollected) + " sweeps collected";
    if (record.collected) {
        record.collected();
    }
}
