// selftest: the self-test measurement's report, or its figures as JSON.
#include "cli/CliApp.h"
#include "cli/Command.h"
#include "cli/Formats.h"

Command SelfTestCommand() {
    return {"selftest", "run the self-test measurement, print its report", true,
            [](CLI::App& command, CliOptions& o) {
                command.add_flag("--json", o.json, "the phase averages and differences as JSON");
            },
            [](Context& c) {
                quelto::Session& session = c.Open(true);
                c.SetLabel("self-test");
                const quelto::SelfTest test = session.selftest();
                c.EndProgress();
                if (Interrupted()) {
                    return;
                }
                c.Write(c.options.json ? SelfTestJson(test).dump(2) + "\n" : test.report);
                c.Commit();
            }};
}
