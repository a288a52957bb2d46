// sweep and spectrum: sweeps of one channel, each written as it ends.
#include "cli/CliApp.h"
#include "cli/Command.h"
#include "cli/Formats.h"

namespace {

// The sweeps or spectra of the run, in one JSON object or one after the other as text.
void RunSweepsTo(Context& c, bool spectrum) {
    quelto::Session& session = c.Open(true);
    if (c.Json()) {
        c.Write(SweepsJsonHead(session.channel()));
    }
    c.RunSweeps(spectrum ? "spectrum " : "sweep ", [&](int number) {
        std::string text;
        if (spectrum) {
            const quelto::Spectrum s = session.spectrum();
            if (s.stats.samples == 0 || s.stopped) {
                return false;
            }
            text = c.Json() ? SpectrumJson(s).dump() : SpectrumText(s, number, c.Separator());
        } else {
            const quelto::Sweep s = session.sweep();
            if (s.stats.samples == 0) {
                return false;
            }
            if (s.stats.deadlines_missed > 0) {
                c.Note("sweep " + std::to_string(number) + ": " +
                       std::to_string(s.stats.deadlines_missed) + " paced deadlines missed");
            }
            text = c.Json() ? SweepJson(s).dump() : SweepText(s, number, c.Separator());
        }
        c.Write((c.Json() && number > 1 ? "," : "") + text);
        return true;
    });
    if (c.Json()) {
        c.Write("]}\n");
    }
    c.Commit();
}

} // namespace

void AddSweepCount(CLI::App& command, CliOptions& o, const char* countHelp,
                   const char* continuousHelp) {
    command.add_option("--count", o.count, countHelp)->check(CountOption())->capture_default_str();
    command.add_flag("--continuous", o.continuous, continuousHelp);
}

Command SweepCommand() {
    return {"sweep", "take sweeps of one channel: samples and statistics", kAll,
            [](CLI::App& command, CliOptions& o) {
                AddSweepCount(command, o, "sweeps to take", "sweep until Ctrl+C");
            },
            [](Context& c) { RunSweepsTo(c, false); }};
}

Command SpectrumCommand() {
    return {"spectrum", "take a sweep and print its spectrum and peak", kAll,
            [](CLI::App& command, CliOptions& o) {
                AddSweepCount(command, o, "sweeps to take", "sweep until Ctrl+C");
            },
            [](Context& c) { RunSweepsTo(c, true); }};
}
