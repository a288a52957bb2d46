// noise and adev: the noise figures of live sweeps joined, or of a log's column.
#include "cli/Command.h"
#include "cli/Formats.h"

#include <quelto/Record.h>

namespace {

struct Record {
    RecordSource source;
    std::vector<double> values;
};

// A record file given to --from-log: the channel in --column's place, at the record's rate
// unless --rate says otherwise; each block to the stream when given, else kept.
Record ReadRecordFile(const CliOptions& o, quelto::AllanStream* stream) {
    quelto::RecordFile file(o.fromLog);
    const auto& info = file.info();
    const auto channel = static_cast<size_t>(o.column - 1);
    if (channel >= info.channels.size()) {
        throw quelto::Error(quelto::ErrorKind::Usage,
                            o.fromLog + " records " + std::to_string(info.channels.size()) +
                                " channel(s)",
                            "column");
    }
    const double rate = o.rate > 0 ? o.rate : info.rate_hz > 0 ? info.rate_hz : info.board_rate_hz;
    Record record{
        {o.fromLog + " " + info.channels[channel].name, 0, rate, info.channels[channel].units}, {}};
    quelto::RecordSamples block;
    std::vector<double> values;
    while (file.next(block)) {
        values.assign(block.values[channel].begin(), block.values[channel].end());
        if (stream != nullptr) {
            stream->add(values.data(), values.size());
        } else {
            record.values.insert(record.values.end(), values.begin(), values.end());
        }
    }
    record.source.samples = static_cast<size_t>(file.samples_read());
    if (!file.error().empty()) {
        throw quelto::Error(quelto::ErrorKind::RunFailed, file.error(), "log");
    }
    return record;
}

Record TakeRecord(Context& c) {
    const auto& o = c.options;
    if (!o.fromLog.empty() && quelto::is_record(o.fromLog)) {
        return ReadRecordFile(o, nullptr);
    }
    if (!o.fromLog.empty()) {
        quelto::LogColumn column = quelto::read_log(o.fromLog, o.column);
        return {{o.fromLog + " column " + std::to_string(o.column), column.values.size(), o.rate,
                 column.units},
                std::move(column.values)};
    }
    quelto::Session& session = c.Open(true);
    // Every sweep joins the record, beyond the sweep buffer's length.
    session.start_record();
    c.RunSweeps("sweep ", [&](int) {
        if (session.sweep().stats.samples == 0) {
            return false;
        }
        if (!session.recording()) {
            c.Note("the record is full; analysing what it holds");
        }
        return session.recording();
    });
    quelto::Record record = session.take_record();
    const quelto::Channel& channel = session.channel();
    return {{channel.device + " " + channel.title, record.values.size(),
             o.rate > 0 ? o.rate : record.sample_rate_hz, channel.units},
            std::move(record.values)};
}

std::string AllanOutput(Context& c, const RecordSource& source, const quelto::AllanDeviation& r) {
    const auto& o = c.options;
    if (o.parameters == "ieee952") {
        return quelto::ieee952_table(r, source.units, source.name);
    }
    if (o.parameters == "yaml") {
        return quelto::calibration_yaml(r, source.units, source.rate, source.name);
    }
    return c.Json() ? AllanJson(source, r).dump() + "\n" : AllanText(source, r, c.Separator());
}

void Analyse(Context& c, bool allan) {
    const auto& o = c.options;
    if (allan && quelto::is_record(o.fromLog) && o.taus.empty()) {
        // A record of any length: a block at a time, in bounded memory.
        quelto::RecordFile head(o.fromLog);
        const double rate = o.rate > 0                ? o.rate
                            : head.info().rate_hz > 0 ? head.info().rate_hz
                                                      : head.info().board_rate_hz;
        quelto::AllanStream stream(rate);
        const Record record = ReadRecordFile(o, &stream);
        c.Write(AllanOutput(c, record.source, stream.result()));
        c.Commit();
        return;
    }
    if (allan && !o.fromLog.empty() && o.taus.empty()) {
        // Octaves from a log of any length: a block at a time, in bounded memory.
        quelto::LogColumn column;
        const auto r = quelto::allan_deviation_of_log(o.fromLog, o.column, o.rate, &column);
        const RecordSource source{o.fromLog + " column " + std::to_string(o.column),
                                  static_cast<size_t>(r.samples), o.rate, column.units};
        c.Write(AllanOutput(c, source, r));
        c.Commit();
        return;
    }
    const Record record = TakeRecord(c);
    if (record.values.empty() || !(record.source.rate > 0)) {
        throw quelto::Error(quelto::ErrorKind::RunFailed, "no samples to analyse");
    }
    const double rate = record.source.rate;
    std::string text;
    if (allan) {
        text = AllanOutput(c, record.source, quelto::allan_deviation(record.values, rate, o.taus));
    } else {
        const auto band =
            o.band.empty() ? std::nullopt : std::optional(std::pair{o.band[0], o.band[1]});
        const auto r =
            quelto::noise_density(record.values, rate, static_cast<size_t>(o.segment), band);
        text = c.Json() ? DensityJson(record.source, r).dump() + "\n"
                        : DensityText(record.source, r, c.Separator());
    }
    c.Write(text);
    c.Commit();
}

} // namespace

void AddRecordSource(CLI::App& command, CliOptions& o) {
    AddSweepCount(command, o, "sweeps joined into the record", "sweep until Ctrl+C, then analyse");
    auto* log = command
                    .add_option("--from-log,--from-record", o.fromLog,
                                "analyse a log written by \"Log Data\" or the log command, "
                                "every pass joined, or a record file (the record command's)")
                    ->type_name("FILE");
    command
        .add_option("--rate", o.rate,
                    "sample rate, Hz (needed with a log; default: a record's, or the sweeps' "
                    "measured)")
        ->check(PositiveNumber());
    command
        .add_option("--column", o.column, "the log's data column, 1 = the first after the sample")
        ->check(WholeNumber(1, 5))
        ->capture_default_str()
        ->needs(log);
    command.get_option("--format")->description("tsv, csv or json (keys in the README)");
}

Command NoiseCommand() {
    return {"noise", "noise density by Welch's method, of live sweeps or a log's column", kAll,
            [](CLI::App& command, CliOptions& o) {
                AddRecordSource(command, o);
                command
                    .add_option("--segment", o.segment,
                                "Welch segment length, samples, a power of two (default: 4096, "
                                "or the largest at most an eighth of the record)")
                    ->check(CLI::Validator(
                        [](std::string& text) {
                            char* end = nullptr;
                            const long n = std::strtol(text.c_str(), &end, 10);
                            return *end == '\0' && n >= 16 && n <= (1L << 24) && (n & (n - 1)) == 0
                                       ? std::string()
                                       : text + " is not a power of two from 16 to 16777216";
                        },
                        "POW2"));
                command
                    .add_option("--band", o.band,
                                "band of the white-noise floor, Hz: LOW,HIGH (default: 10 % to "
                                "40 % of the sample rate)")
                    ->delimiter(',')
                    ->expected(2)
                    ->check(NonNegativeNumber());
            },
            [](Context& c) { Analyse(c, false); }};
}

Command AllanCommand() {
    return {"adev",
            "overlapping Allan deviation and its coefficients, of live sweeps or a log's column",
            kAll,
            [](CLI::App& command, CliOptions& o) {
                AddRecordSource(command, o);
                command
                    .add_option("--taus", o.taus,
                                "averaging times, s, comma-separated (default: octaves from one "
                                "sample period to a tenth of the record)")
                    ->delimiter(',')
                    ->check(PositiveNumber());
                command
                    .add_option("--parameters", o.parameters,
                                "write the coefficients for other tools instead of the curve: "
                                "ieee952 (a table in IEEE Std 952 units) or yaml (a calibration "
                                "tool's noise densities and random walks, SI units); the record "
                                "must be in deg/s or g")
                    ->check(CLI::IsMember({"ieee952", "yaml"}))
                    ->excludes(command.get_option("--format"));
            },
            [](Context& c) { Analyse(c, true); }};
}
