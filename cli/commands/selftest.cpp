// selftest: the self-test measurement's report, or its figures as JSON.
#include "cli/CliApp.h"
#include "cli/Command.h"
#include "cli/Formats.h"

void AddTextOrJson(CLI::App& command, CliOptions& o, const char* jsonHelp) {
    command.add_option("--format", o.format, std::string("text, or json: ") + jsonHelp)
        ->check(CLI::IsMember({"text", "json"}))
        ->default_str("text");
}

Command SelfTestCommand() {
    return {"selftest", "run the self-test measurement, print its report",
            kBoard | kPort | kSweeps | kOutput,
            [](CLI::App& command, CliOptions& o) {
                AddTextOrJson(command, o, "the phase averages and differences");
                command.add_flag("--json", o.json, "the same as --format json");
            },
            [](Context& c) {
                quelto::Session& session = c.Open(true);
                c.SetLabel("self-test");
                const quelto::SelfTest test = session.selftest();
                c.EndProgress();
                if (Interrupted()) {
                    return;
                }
                c.Write(c.options.json || c.Json() ? SelfTestJson(test).dump(2) + "\n"
                                                   : test.report);
                c.Commit();
            }};
}
