// log: the channels to the tab-separated file "Log Data" writes.
#include "cli/CliApp.h"
#include "cli/Command.h"

Command LogCommand() {
    return {"log",
            "log channels to the tab-separated file \"Log Data\" writes, in the working folder",
            kBoard | kPort | kSweeps | kChannel,
            [](CLI::App& command, CliOptions& o) {
                command
                    .add_option(
                        "--channels", o.channels,
                        "channels to log, for example 0,2,3 or rate,ain1,ain2 (default: --channel)")
                    ->type_name("CHANNEL")
                    ->delimiter(',')
                    ->transform(ChannelOption());
                command.add_flag("--temperature", o.temperature, "log the temperature too");
                command.add_option("--file", o.file, "file name's base (default: the device name)");
                command.add_option("--index", o.index, "file number: the file is BASE_INDEX.txt")
                    ->check(WholeNumber(1, 1000000))
                    ->capture_default_str();
                AddSweepCount(command, o, "passes to log", "log until Ctrl+C");
            },
            [](Context& c) {
                const auto& o = c.options;
                quelto::Session& session = c.Open(true);
                c.SetLabel("log pass ", true);
                const quelto::Log log = session.log(o.channels, o.temperature, 0,
                                                    o.continuous ? 0 : o.count, o.file, o.index);
                c.EndProgress();
                if (!o.quiet) {
                    c.Note("Log written to " + log.path);
                }
                if (log.deadlines_missed > 0) {
                    c.Note(std::to_string(log.deadlines_missed) +
                           " paced deadlines were missed (those samples were taken late)");
                }
            }};
}
