#include "commands/NoiseAnalysis.h"

#include "analysis/NoiseRecord.h"
#include "analysis/RecordFile.h"
#include "forms/Forms.h"
#include "platform/ReplacingFile.h"
#include "platform/TextFormat.h"
#include "sensors/Acquisition.h"
#include "sensors/SensorModels.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>
#include <utility>

namespace {

// The units the program gives a rate in.
constexpr const char* kRateUnits = "Dgr/S";

// Four significant digits, without an exponent for the rates a board runs at.
std::string Number4(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.4g", value);
    return text;
}

// The user's own date and time forms, as the log's header has them.
std::string LocalDate(std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    char text[128];
    const size_t n = std::strftime(text, sizeof text, "%x %X", &local);
    return {text, n};
}

std::string DateNow() { return LocalDate(std::time(nullptr)); }

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

bool RecordShown() { return frmNoise().form.visible || frmAllan().form.visible; }

// What the windows say of a collected record.
std::string CollectedSource(const NoiseRecordState& record) {
    if (!record.stream) {
        return std::to_string(record.sweepsCollected) + " sweeps collected";
    }
    const int64_t n = record.stream->Count() + static_cast<int64_t>(record.pending.size());
    std::string text = std::to_string(record.sweepsCollected) + " sweeps collected, " +
                       std::to_string(n) + " samples";
    if (record.sampleRate > 0) {
        const double seconds = static_cast<double>(n) / record.sampleRate;
        text += seconds >= 3600 ? " (" + Format(seconds / 3600, "0.00") + " h)"
                                : " (" + Format(seconds, "0.0") + " s)";
    }
    if (static_cast<size_t>(n) > kRecentNoiseSpan) {
        text += "; the density is of the last " + std::to_string(record.values.size());
    }
    return text;
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
        record.stream = std::make_unique<AllanStream>(1.0); // in samples: the rate comes later
        record.source = "Collecting: run Continuous Loop sweeps";
        record.device = Catalogue().DeviceName;
        record.date = DateNow();
        record.collected = [] {
            // In fast time sweeps end far more often than a window can be drawn.
            NoiseRecord().stale = true;
            NoiseRecordCatchUp();
        };
    }
    record.collecting = on;
    frmNoise().chkCollect.value = on ? 1 : 0;
    frmAllan().chkCollect.value = on ? 1 : 0;
    AnalyseNoiseRecord();
}

// The stream takes what was taken; the recent span keeps its last kRecentNoiseSpan samples,
// dropped from the front a quarter of the span at a time.
void FlushPending(NoiseRecordState& record) {
    if (!record.stream || record.pending.empty()) {
        return;
    }
    record.stream->Add(record.pending);
    auto& values = record.values;
    values.insert(values.end(), record.pending.begin(), record.pending.end());
    if (values.size() > kRecentNoiseSpan) {
        const size_t drop = values.size() - kRecentNoiseSpan + kRecentNoiseSpan / 4;
        values.erase(values.begin(), values.begin() + static_cast<ptrdiff_t>(drop));
    }
    record.pending.clear();
}

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// The column the user names (or numbers) among the file's; 0 when cancelled.
int AskColumn(const std::vector<std::string>& names, const std::vector<std::string>& units) {
    if (names.size() == 1) {
        return 1;
    }
    std::string prompt = "Channel to analyse:";
    for (size_t i = 0; i < names.size(); ++i) {
        prompt += "\n  " + std::to_string(i + 1) + "  " + names[i];
        if (!units[i].empty()) {
            prompt += " (" + units[i] + ")";
        }
    }
    std::string answer = names.front();
    for (;;) {
        const auto given = Ui().InputBox(prompt, "Open Log", answer);
        if (!given) {
            return 0;
        }
        std::string text = *given;
        text.erase(0, text.find_first_not_of(" \t"));
        text.erase(text.find_last_not_of(" \t") + 1);
        for (size_t i = 0; i < names.size(); ++i) {
            if (Lower(text) == Lower(names[i])) {
                return static_cast<int>(i + 1);
            }
        }
        const auto number = ParseNumber(text);
        if (number && *number >= 1 && *number <= static_cast<double>(names.size()) &&
            *number == std::floor(*number)) {
            return static_cast<int>(*number);
        }
        Ui().MsgBox("\"" + text +
                    "\" is not a column of the log: give one of the names listed, "
                    "or its number.");
        answer = *given;
    }
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
    record.device = Catalogue().DeviceName;
    record.date = DateNow();
    if (collecting) {
        // Sweeps collected from now on follow this one.
        record.stream = std::make_unique<AllanStream>(1.0);
        record.stream->Add(record.values);
        record.samplesTaken = static_cast<int64_t>(record.values.size());
    }
    AnalyseNoiseRecord();
}

void frmNoise_chkCollect_Click() { SetCollect(frmNoise().chkCollect.value != 0); }

void frmAllan_chkCollect_Click() { SetCollect(frmAllan().chkCollect.value != 0); }

namespace {

std::string DateOf(int64_t unixNs) {
    return LocalDate(static_cast<std::time_t>(unixNs / 1000000000));
}

void OpenRecordFile(const std::string& path) {
    RecordReader reader;
    if (!reader.Open(path)) {
        ShowRecordError(reader.Error());
        return;
    }
    const RecordHeader& header = reader.Header();
    std::vector<std::string> names, units;
    for (const auto& channel : header.channels) {
        names.push_back(channel.name);
        units.push_back(channel.units);
    }
    if (names.empty()) {
        ShowRecordError(path + ": the record names no channel.");
        return;
    }
    const int column = AskColumn(names, units);
    if (column == 0) {
        return;
    }
    auto& record = NoiseRecord();
    record = {};
    frmNoise().chkCollect.value = frmAllan().chkCollect.value = 0;
    record.stream = std::make_unique<AllanStream>(1.0);
    const auto channel = static_cast<size_t>(column - 1);
    double firstTime = 0;
    double lastTime = 0;
    RecordBlock block;
    Ui().SetBusy(true);
    while (reader.Next(block)) {
        if (record.samplesTaken == 0 && block.count > 0) {
            firstTime = block.times.front();
        }
        if (block.count > 0) {
            lastTime = block.times.back();
        }
        const auto values = block.Values(channel);
        record.pending.assign(values.begin(), values.end());
        record.samplesTaken += block.count;
        FlushPending(record);
    }
    Ui().SetBusy(false);
    const int64_t n = record.samplesTaken;
    // A paced record's rate is its grid's; an unpaced one's, that of its sample times.
    record.sampleRate = header.rateHz > 0 ? header.rateHz
                        : n > 1 && lastTime > firstTime
                            ? static_cast<double>(n - 1) / (lastTime - firstTime)
                            : 0;
    record.units = header.channels[channel].units;
    record.device = header.model;
    record.date = DateOf(header.startUnixNs);
    record.source = "Record " + path + ", " + header.channels[channel].name + ", " +
                    std::to_string(n) + " samples at " + Number4(record.sampleRate) + " Hz" +
                    (header.rateHz > 0 ? " (paced)" : " (from the sample times)");
    if (!reader.Error().empty()) {
        record.source += "; " + reader.Error() + " The whole blocks before it are analysed.";
    }
    AnalyseNoiseRecord();
}

} // namespace

void NoiseOpenLog(const std::string& path) {
    if (IsRecordFile(path)) {
        OpenRecordFile(path);
        return;
    }
    const LogTable header = ReadLogHeader(path);
    if (!header.error.empty()) {
        ShowRecordError(header.error);
        return;
    }
    // Without the sample number's column.
    const std::vector<std::string> names(header.names.begin() + 1, header.names.end());
    const std::vector<std::string> units(header.units.begin() + 1, header.units.end());
    const int column = AskColumn(names, units);
    if (column == 0) {
        return;
    }
    // Today's logs do not give their rate; one whose header has a "Sample Rate" line does.
    double rate = 0;
    std::string date;
    for (const auto& [label, text] : header.headers.front()) {
        if (label == "Sample Rate") {
            rate = std::max(0.0, LeadingNumber(text));
        } else if (label == "Date") {
            date = text;
        }
    }
    if (!(rate > 0)) {
        // A suggestion to confirm, not a measurement: the last sweep's rate, as a person
        // would write it.
        const double lastRate = Acquisition().SampleRateHz;
        const auto asked = AskPositive(
            "Sample rate of the log, Hz (the log does not record it; the last sweep ran at " +
                (lastRate > 0 ? Format(lastRate, "0.0") + " Hz" : std::string("an unknown rate")) +
                "):",
            lastRate > 0 ? Number4(lastRate) : "100");
        if (!asked) {
            return;
        }
        rate = *asked;
    }
    LogColumn log = ReadLogColumn(path, column);
    auto& record = NoiseRecord();
    record = {};
    frmNoise().chkCollect.value = frmAllan().chkCollect.value = 0;
    if (!log.error.empty()) {
        ShowRecordError(log.error);
        return;
    }
    record.values = std::move(log.values);
    record.sampleRate = rate;
    record.units = log.units;
    record.device = header.model;
    record.date = date;
    record.source = "Log " + path + ", " + log.name + " (column " + std::to_string(column) + "), " +
                    std::to_string(log.passes) + (log.passes == 1 ? " pass, " : " passes, ") +
                    std::to_string(record.values.size()) + " samples at " + Number4(rate) + " Hz";
    AnalyseNoiseRecord();
}

void NoisePace_Change(FormId form) {
    NoiseWindowForm& window =
        form == FormId::frmAllan ? static_cast<NoiseWindowForm&>(frmAllan()) : frmNoise();
    std::string text = window.txtPace.text;
    text.erase(0, text.find_first_not_of(' '));
    text.erase(text.find_last_not_of(' ') + 1);
    const auto rate = ParseNumber(text);
    auto& acq = Acquisition();
    if (text.empty() || Lower(text) == "off" || (rate && *rate == 0)) {
        acq.PaceHz = 0;
    } else if (rate && std::isfinite(*rate) && *rate > 0 && *rate <= 1e6) {
        acq.PaceHz = *rate;
    } else {
        window.lblMessage.caption = "Pace: \"" + text +
                                    "\" is not a rate. Give the sample rate "
                                    "in Hz (at most 1000000), or Off for the loop's own pace.";
        window.lblMessage.visible = true;
    }
    const std::string shown = acq.PaceHz > 0 ? Number4(acq.PaceHz) : "Off";
    frmNoise().txtPace.text = frmAllan().txtPace.text = shown;
}

void cboNoiseSegment_Click() {
    frmNoise().segmentChosen = true;
    AnalyseNoiseRecord();
}

namespace {

// The curve of the stream at the record's rate: the stream counts in samples, since a run's
// rate is measured only as its sweeps end.
AllanResult StreamResult(const NoiseRecordState& record) {
    AllanResult r = record.stream->Result();
    if (!r.error.empty()) {
        return r;
    }
    AllanResult scaled;
    scaled.points = std::move(r.points);
    for (auto& p : scaled.points) {
        p.tau = static_cast<double>(p.m) / record.sampleRate;
    }
    scaled.samples = record.stream->Count();
    CompleteAllan(scaled, scaled.samples);
    return scaled;
}

void AnalyseAllan() {
    auto& record = NoiseRecord();
    auto& allan = frmAllan();
    const bool gyroscope = record.units == kRateUnits;
    FlushPending(record);
    allan.result = record.stream ? StreamResult(record)
                                 : AllanDeviation(record.values, 1.0 / record.sampleRate);
    allan.lblMessage.caption = allan.result.error;
    allan.lblFigures.caption =
        allan.result.error.empty() ? AllanFigures(allan.result, record.units, gyroscope) : "";
    if (!allan.result.error.empty()) {
        allan.result.points.clear();
    }
    record.shown = std::chrono::steady_clock::now();
}

} // namespace

bool NoiseRecordCatchUp() {
    auto& record = NoiseRecord();
    if (!record.stale || !RecordShown()) {
        return false;
    }
    if (std::chrono::steady_clock::now() - record.shown < kLiveRedraw) {
        return true;
    }
    record.stale = false;
    AnalyseNoiseRecord();
    return false;
}

AcquisitionListener NoiseCollectListener() {
    AcquisitionListener listener;
    listener.sample = [](const AcquiredSample& sample) {
        auto& record = NoiseRecord();
        if (!record.collecting || !record.stream) {
            return;
        }
        record.pending.push_back(sample.value);
        ++record.samplesTaken;
        if (record.sampleRate == 0 && Acquisition().PaceHz > 0) {
            record.sampleRate = Acquisition().PaceHz;
        }
        // The clock is read every 256 samples; the curve drawn again at most every
        // kLiveRedraw, and only once the rate is known.
        if ((record.samplesTaken & 255) != 0) {
            return;
        }
        if (record.pending.size() >= 4096) {
            FlushPending(record);
        }
        if (frmAllan().form.visible && record.sampleRate > 0 &&
            std::chrono::steady_clock::now() - record.shown >= kLiveRedraw) {
            record.source = CollectedSource(record);
            frmAllan().lblSource.caption = record.source;
            AnalyseAllan();
            Ui().Refresh();
        }
    };
    return listener;
}

void AnalyseNoiseRecord() {
    auto& record = NoiseRecord();
    record.stale = false;
    auto& noise = frmNoise();
    auto& allan = frmAllan();
    for (NoiseWindowForm* window :
         {static_cast<NoiseWindowForm*>(&noise), static_cast<NoiseWindowForm*>(&allan)}) {
        window->lblTitle.caption = window->form.caption;
        for (const std::string* part : {&record.device, &record.date}) {
            if (!part->empty()) {
                window->lblTitle.caption += "  \u2014  " + *part;
            }
        }
    }
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
    noise.result =
        NoiseDensity(record.values, record.sampleRate, SegmentLength(record.values.size()));
    noise.lblMessage.caption = noise.result.error;
    noise.lblFigures.caption = noise.result.error.empty()
                                   ? DensityFigures(noise.result, record.sampleRate, record.units)
                                   : "";
    if (!noise.result.error.empty()) {
        noise.result.frequency.clear();
        noise.result.density.clear();
    }
    AnalyseAllan();
}

std::string WithExtension(const std::string& path, const std::string& extension) {
    const std::filesystem::path p(path);
    return p.has_filename() && !p.has_extension() ? path + extension : path;
}

void NoiseExportCsv(FormId form, const std::string& given) {
    const std::string path = WithExtension(given, ".csv");
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
    const double added = static_cast<double>(samples.size());
    if (record.stream) {
        FlushPending(record);
        const double before = static_cast<double>(record.stream->Count()) - added;
        record.sampleRate = (record.sampleRate * std::max(before, 0.0) + sampleRate * added) /
                            (std::max(before, 0.0) + added);
    } else {
        if (record.values.size() + samples.size() > kMaxNoiseRecord) {
            record.collecting = false;
            return;
        }
        const double before = static_cast<double>(record.values.size());
        record.sampleRate = (record.sampleRate * before + sampleRate * added) / (before + added);
        record.values.insert(record.values.end(), samples.begin(), samples.end());
    }
    record.units = units;
    ++record.sweepsCollected;
    record.source = CollectedSource(record);
    if (record.collected) {
        record.collected();
    }
}
