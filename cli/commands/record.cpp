// record and record-log: a paced run streamed to a record file, and a record as a log.
#include "cli/CliApp.h"
#include "cli/Command.h"
#include "cli/Formats.h"

#include <quelto/Record.h>

#include <nlohmann/json.hpp>

#include <unistd.h>

#include <cmath>
#include <optional>
#include <span>
#include <sstream>
#include <vector>

namespace {

std::string Number(double value) {
    std::ostringstream text;
    text.precision(10);
    text << value;
    return text.str();
}

void RunRecord(Context& c) {
    const auto& o = c.options;
    if (o.record == "-" && ::isatty(STDOUT_FILENO) == 1) {
        throw quelto::Error(quelto::ErrorKind::Usage,
                            "a record is binary: give it a file, or send standard output on", "to");
    }
    quelto::Session& session = c.Open(true);
    quelto::RecordOptions options;
    options.channels = o.channels;
    options.seconds = o.duration;
    options.samples = o.recordSamples;
    c.SetLabel("record");
    options.progress = [&c](int64_t taken, int64_t wanted) { c.Progress(taken, wanted); };
    // The Allan deviation of the first channel, streamed as the record is written.
    std::optional<quelto::AllanStream> allan;
    std::vector<double> values;
    options.started = [&allan](double pace, double board) {
        if (pace > 0 || board > 0) {
            allan.emplace(pace > 0 ? pace : board);
        }
    };
    options.block = [&allan, &values](std::span<const float> block) {
        if (allan) {
            values.assign(block.begin(), block.end());
            allan->add(values.data(), values.size());
        }
    };
    const quelto::RecordRun run = session.record(o.record, options);
    c.EndProgress();
    const quelto::Channel& channel = session.channel();
    const int first = o.channels.empty() ? o.channel : o.channels.front();
    const RecordSource source{o.record + " " + channel.device + " channel " + std::to_string(first),
                              static_cast<size_t>(run.samples),
                              run.pace_hz > 0 ? run.pace_hz : run.board_rate_hz, channel.units};
    quelto::AllanDeviation deviation;
    bool analysed = false;
    if (allan && allan->count() > 0) {
        try {
            deviation = allan->result();
            analysed = true;
        } catch (const quelto::Error& e) {
            c.Note(std::string("no Allan deviation: ") + e.what());
        }
    }
    std::string text;
    if (c.Json()) {
        nlohmann::ordered_json j;
        j["record"] = o.record;
        j["device"] = channel.device;
        j["samples"] = run.samples;
        j["seconds"] = run.seconds;
        j["pace_hz"] = run.pace_hz;
        j["board_rate_hz"] = run.board_rate_hz;
        j["deadlines_missed"] = run.deadlines_missed;
        j["stopped"] = run.stopped;
        if (analysed) {
            j["allan"] = AllanJson(source, deviation);
        }
        text = j.dump() + "\n";
    } else {
        const char sep = c.Separator();
        const std::pair<const char*, std::string> lines[] = {
            {"record", o.record},
            {"device", channel.device},
            {"samples", std::to_string(run.samples)},
            {"seconds", Number(run.seconds)},
            {"pace_hz", Number(run.pace_hz)},
            {"board_rate_hz", Number(run.board_rate_hz)},
            {"deadlines_missed", std::to_string(run.deadlines_missed)},
            {"stopped", run.stopped ? "yes" : "no"}};
        for (const auto& [key, value] : lines) {
            text += std::string(key) + sep + value + "\n";
        }
        if (analysed) {
            text += "\n" + AllanText(source, deviation, sep);
        }
    }
    c.Write(text);
    c.Commit();
}

} // namespace

Command RecordCommand() {
    return {"record",
            "record channels, paced, to a record file for as long as asked (Ctrl+C ends it "
            "with the file whole); prints the run's figures",
            kBoard | kPort | kChannel | kDataForm | kOutput | kPaced,
            [](CLI::App& command, CliOptions& o) {
                command.add_option("--to", o.record, "the record file to write")
                    ->required()
                    ->type_name("FILE");
                command
                    .add_option("--channels", o.channels,
                                "channels to record, the first analysed (default: --channel)")
                    ->type_name("CHANNEL")
                    ->delimiter(',')
                    ->transform(ChannelOption());
                auto* duration =
                    command
                        .add_option("--duration", o.duration,
                                    "seconds to record, by the pacing grid (default: until "
                                    "Ctrl+C)")
                        ->check(PositiveNumber());
                command
                    .add_option("--samples", o.recordSamples,
                                "samples to record (default: until Ctrl+C)")
                    ->check(WholeNumber(1, int64_t{1} << 40))
                    ->excludes(duration);
            },
            RunRecord};
}

Command RecordLogCommand() {
    return {"record-log", "write a record file as the tab-separated log \"Log Data\" writes",
            kOutput,
            [](CLI::App& command, CliOptions& o) {
                command.add_option("--from", o.record, "the record file to read")
                    ->required()
                    ->type_name("FILE");
            },
            [](Context& c) {
                const std::string ended = quelto::record_to_log(
                    c.options.record, [&c](std::string_view text) { c.Write(text); });
                c.Commit();
                if (!ended.empty()) {
                    c.Note(ended);
                }
            }};
}
