#include "cli/CliApp.h"

#include "cli/Command.h"

#include <unistd.h>

#include <csignal>
#include <map>

namespace {

volatile std::sig_atomic_t interrupted = 0;

// The option the library's parameter is given with here.
std::string OptionFor(const std::string& parameter) {
    static const std::map<std::string, std::string> renamed{
        {"model", "device"}, {"settings", "config"}, {"log", "from-log"}};
    const auto it = renamed.find(parameter);
    return "--" + (it != renamed.end() ? it->second : parameter);
}

std::string ErrorText(const quelto::Error& error) {
    return "queltoeval-cli: " +
           (error.parameter().empty() ? "" : OptionFor(error.parameter()) + ": ") + error.what() +
           "\n";
}

void AddCommon(CLI::App* c, CliOptions& o, bool data) {
    const auto models = quelto::models();
    const CLI::Validator hex(
        [](std::string& text) {
            return quelto::parse_hex16(text) ? std::string()
                                             : text + " is not a hexadecimal address";
        },
        "HEX");
    c->add_option("--device", o.device,
                  "sensor model (default: the simulated board's, or the configuration's)")
        ->check(CLI::IsMember(models));
    c->add_option("--interface", o.interfaceName,
                  "how the board is reached (default: the configuration's, else parallel)")
        ->check(CLI::IsMember({"parallel", "usb", "none"}));
    c->add_option("--port", o.port,
                  "parallel port's base address, hexadecimal (default: the configuration's, "
                  "else 378)")
        ->check(hex)
        ->type_name("HEX");
    c->add_option("--adapter", o.adapter, "USB adapter number (default: the first one found)")
        ->check(CLI::Range(0, 3));
    c->add_option("--samples", o.samples,
                  "samples a sweep (default: the configuration's, else 2048)")
        ->check(CLI::Range(1, 65536));
    c->add_option("--delay", o.delay, "read delay between samples, ms")
        ->check(CLI::Range(0.0, 60000.0))
        ->capture_default_str();
    c->add_option("--simulate", o.simulate,
                  "simulated boards instead of hardware; with =MODEL the board of that model")
        ->expected(0, 1)
        ->type_name("[=MODEL]")
        ->check(CLI::IsMember(models));
    c->add_option("--sim-density", o.simDensity,
                  "simulated part's white noise, one-sided density in g/sqrt(Hz) or "
                  "deg/s/sqrt(Hz) (default: a typical part's, 250e-6 or 0.05)")
        ->check(CLI::Range(0.0, 1.0));
    c->add_option("--sim-bias", o.simBias,
                  "simulated gyroscope's bias instability, deg/s (default 0.005)")
        ->check(CLI::Range(0.0, 100.0));
    c->add_option("--sim-rrw", o.simWalk,
                  "simulated gyroscope's rate random walk, deg/s*sqrt(Hz) (default 5e-5)")
        ->check(CLI::Range(0.0, 100.0));
    c->add_option("--sim-amplitude", o.simAmplitude,
                  "simulated signal's sine, peak as a fraction of full scale (default 0.25; 0 "
                  "for noise alone)")
        ->check(CLI::Range(0.0, 1.0));
    c->add_option("--sim-seed", o.simSeed, "seed of the simulated noise (default: fixed)")
        ->check(CLI::Range(int64_t{0}, int64_t{4294967295}));
    c->add_option("--config", o.config,
                  "read the settings from FILE and write them back at the end (default: the "
                  "configuration is not touched)")
        ->type_name("FILE");
    c->add_option("--trace-port", o.tracePort,
                  "record every parallel-port register access (register, W or R, value) to FILE")
        ->type_name("FILE");
    c->add_flag("--direct-io", o.directIo,
                "reach the parallel port by raw port I/O (x86, root) instead of the parport "
                "driver");
    c->add_flag("--quiet,-q", o.quiet, "no progress bar and no notes on standard error");
    if (data) {
        c->add_option("--channel", o.channel,
                      "channel: 0 X or rate, 1 Y, 2 and 3 the gyroscopes' inputs")
            ->check(CLI::Range(0, 3))
            ->capture_default_str();
        c->add_option("--format", o.format, "tsv, csv or json")
            ->check(CLI::IsMember({"tsv", "csv", "json"}))
            ->capture_default_str();
        c->add_option("--output,-o", o.output, "write to FILE instead of standard output")
            ->type_name("FILE");
    }
}

// What the parser cannot check alone; empty when the options go together.
std::string Inconsistency(const CLI::App& command, const CliOptions& o) {
    if (!o.fromLog.empty() && !(o.rate > 0)) {
        return "--rate: a log has no sample rate; give it with --rate HZ";
    }
    if (o.band.size() == 2 && !(o.band[0] < o.band[1])) {
        return "--band: LOW must be below HIGH";
    }
    if (o.words.size() > 16) {
        return "--words: at most 16 words";
    }
    for (const char* option :
         {"--sim-density", "--sim-bias", "--sim-rrw", "--sim-amplitude", "--sim-seed"}) {
        if (command.count("--simulate") == 0 && command.count(option) > 0) {
            return std::string(option) + ": only with --simulate";
        }
    }
    return {};
}

} // namespace

void RequestInterrupt() { interrupted = 1; }
bool Interrupted() { return interrupted != 0; }
void ClearInterrupt() { interrupted = 0; }

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app{"Sweeps, spectra, self-tests, logs and raw SPI words from the sensor evaluation "
                 "boards, without a window. Numbers are those the windows show for the same "
                 "settings.",
                 "queltoeval-cli"};
    app.set_version_flag("--version", std::string(QUELTO_VERSION));
    app.require_subcommand(1, 1);
    app.footer("Every command takes --help. Exit status: 0 done, 1 the run failed (no board, "
               "adapter lost, a write error), 2 bad usage, 130 interrupted by Ctrl+C (the "
               "output so far is complete).");
    CliOptions o;
    const Command commands[] = {SweepCommand(), SpectrumCommand(),    SelfTestCommand(),
                                LogCommand(),   TemperatureCommand(), AdaptersCommand(),
                                SpiCommand(),   NoiseCommand(),       AllanCommand()};
    std::map<CLI::App*, const Command*> byApp;
    for (const auto& command : commands) {
        CLI::App* sub = app.add_subcommand(command.name, command.help);
        AddCommon(sub, o, command.data);
        if (command.addOptions) {
            command.addOptions(*sub, o);
        }
        byApp[sub] = &command;
    }

    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {
            return app.exit(e, out, err);
        }
        err << "queltoeval-cli: " << e.what() << "\n";
        return kExitUsage;
    }
    CLI::App* sub = app.get_subcommands().front();
    if (const std::string wrong = Inconsistency(*sub, o); !wrong.empty()) {
        err << "queltoeval-cli: " << wrong << "\n";
        return kExitUsage;
    }
    const bool progress = !o.quiet && ::isatty(STDERR_FILENO) == 1;
    Context context(o, sub->count("--simulate") > 0, out, err, progress);
    int code = kExitOk;
    try {
        context.OpenFiles();
        byApp.at(sub)->run(context);
        context.EndSession();
    } catch (const quelto::Error& failure) {
        context.EndProgress();
        err << ErrorText(failure);
        code = failure.kind() == quelto::ErrorKind::Usage ? kExitUsage : kExitRunFailed;
        try {
            context.EndSession();
        } catch (const quelto::Error& second) {
            err << ErrorText(second);
        }
    }
    if (code == kExitOk && Interrupted()) {
        code = kExitInterrupted;
    }
    return code;
}
