#include "cli/CliApp.h"

#include "cli/Command.h"

#include "QueltoVersion.h"
#include <quelto/Record.h>

#include <unistd.h>

#include <charconv>
#include <cmath>
#include <csignal>
#include <limits>
#include <map>
#include <sstream>

namespace {

volatile std::sig_atomic_t interrupted = 0;

// The option the library's parameter is given with here.
std::string OptionFor(const std::string& parameter) {
    static const std::map<std::string, std::string> renamed{{"model", "device"},
                                                            {"settings", "config"},
                                                            {"log", "from-log"},
                                                            {"file_base", "file"},
                                                            {"read_delay", "delay"},
                                                            {"density", "sim-density"},
                                                            {"bias_instability", "sim-bias"},
                                                            {"rate_random_walk", "sim-rrw"},
                                                            {"amplitude", "sim-amplitude"},
                                                            {"pace_hz", "pace"},
                                                            {"fast_time", "simulate-fast-time"},
                                                            {"seconds", "duration"},
                                                            {"record", "to"},
                                                            {"record_path", "from"}};
    const auto it = renamed.find(parameter);
    return "--" + (it != renamed.end() ? it->second : parameter);
}

std::string ErrorText(const quelto::Error& error) {
    return "queltoeval-cli: " +
           (error.parameter().empty() ? "" : OptionFor(error.parameter()) + ": ") + error.what() +
           "\n";
}

std::string Shortest(double value) {
    char text[32];
    return {text, std::to_chars(text, text + sizeof text, value).ptr};
}

// The whole of the text as a number, or why not.
template <typename T> std::optional<T> Read(const std::string& text) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

// A finite double at least low (above it when open) and at most high, when high is finite.
CLI::Validator RealNumber(double low, double high, bool open) {
    const std::string range = Shortest(low) + " - " + Shortest(high);
    return {[low, high, open](std::string& text) -> std::string {
                const auto value = Read<double>(text);
                if (!value || std::isnan(*value)) {
                    return "Value " + text + " is not a number";
                }
                if (std::isinf(*value)) {
                    return "Value " + text + " is not a finite number";
                }
                if (std::isinf(high)) {
                    if (open && !(*value > low)) {
                        return "Value " + text + " must be positive";
                    }
                    if (!open && !(*value >= low)) {
                        return "Value " + text + " must be " + Shortest(low) + " or more";
                    }
                } else if (*value < low || *value > high) {
                    return "Value " + text + " not in range " + Shortest(low) + " to " +
                           Shortest(high);
                }
                return {};
            },
            std::isinf(high) ? (open ? "POSITIVE" : "NONNEGATIVE") : "FLOAT in [" + range + "]"};
}

constexpr double kUnbounded = std::numeric_limits<double>::infinity();

} // namespace

// CLI11's own ranges let 1.5 and 1e3 through as integers and print an open end as the largest
// double; these read the whole text first and say the bounds as a person would.
CLI::Validator WholeNumber(int64_t low, int64_t high) {
    return {[low, high](std::string& text) -> std::string {
                const auto value = Read<int64_t>(text);
                if (!value) {
                    return "Value " + text + " is not an integer";
                }
                if (*value < low || *value > high) {
                    return "Value " + text + " not in range " + std::to_string(low) + " to " +
                           std::to_string(high);
                }
                return {};
            },
            "INT in [" + std::to_string(low) + " - " + std::to_string(high) + "]"};
}

CLI::Validator ChannelOption() {
    const CLI::Validator number = WholeNumber(0, 3);
    return {[number](std::string& text) -> std::string {
                // The library's names, so that the command line takes what Python takes.
                try {
                    text = std::to_string(quelto::channel_number(text));
                    return {};
                } catch (const quelto::Error&) {
                    return number(text).empty() ? std::string()
                                                : "Value " + text +
                                                      " is not a channel: 0 to 3, or x, y, "
                                                      "rate, ain1 or ain2";
                }
            },
            ""};
}

CLI::Validator CountOption() {
    return {[](std::string& text) -> std::string {
                const auto value = Read<int64_t>(text);
                if (!value) {
                    return "Value " + text + " is not an integer";
                }
                if (*value < 1) {
                    return "Value " + text + " must be positive";
                }
                return *value > std::numeric_limits<int>::max()
                           ? "Value " + text + " is more than " +
                                 std::to_string(std::numeric_limits<int>::max())
                           : std::string();
            },
            "POSITIVE"};
}

CLI::Validator PositiveNumber() { return RealNumber(0, kUnbounded, true); }
CLI::Validator NonNegativeNumber() { return RealNumber(0, kUnbounded, false); }

namespace {

// A model's name in any case, as the model table spells it.
CLI::Validator ModelName() {
    const auto models = quelto::models();
    std::string list;
    for (const auto& model : models) {
        list += (list.empty() ? "" : ",") + model;
    }
    return {[models, list](std::string& text) -> std::string {
                for (const auto& model : models) {
                    if (model.size() == text.size() &&
                        std::equal(model.begin(), model.end(), text.begin(), [](char a, char b) {
                            return std::tolower(static_cast<unsigned char>(a)) ==
                                   std::tolower(static_cast<unsigned char>(b));
                        })) {
                        text = model;
                        return {};
                    }
                }
                return text + " not in {" + list + "}";
            },
            "{" + list + "}"};
}

// Options every command takes, which also work before the command's name.
void AddEveryCommand(CLI::App* c, CliOptions& o, bool simulatedBoard) {
    c->add_option("--simulate", o.simulate,
                  "simulated boards instead of hardware; with =MODEL the board of that model")
        ->expected(0, 1)
        ->type_name("[=MODEL]")
        ->transform(ModelName());
    if (simulatedBoard) {
        c->add_option("--sim-density", o.simDensity,
                      "simulated part's white noise, one-sided density in g/sqrt(Hz) or "
                      "deg/s/sqrt(Hz) (default: a typical part's, 250e-6 or 0.05)")
            ->check(RealNumber(0.0, 1.0, false));
        c->add_option("--sim-bias", o.simBias,
                      "simulated gyroscope's bias instability, deg/s (default 0.005)")
            ->check(RealNumber(0.0, 100.0, false));
        c->add_option("--sim-rrw", o.simWalk,
                      "simulated gyroscope's rate random walk, deg/s*sqrt(Hz) (default 5e-5)")
            ->check(RealNumber(0.0, 100.0, false));
        c->add_option("--sim-amplitude", o.simAmplitude,
                      "simulated signal's sine, peak as a fraction of full scale (default 0.25; 0 "
                      "for noise alone)")
            ->check(RealNumber(0.0, 1.0, false));
        c->add_option("--sim-seed", o.simSeed, "seed of the simulated noise (default: fixed)")
            ->check(WholeNumber(0, 4294967295));
        c->add_flag("--simulate-fast-time", o.fastTime,
                    "simulated time: the clock moves by the board's conversions and jumps "
                    "through waits, so an hour's run takes seconds");
    }
    c->add_option("--config", o.config,
                  "read the settings from FILE and write them back at the end (default: the "
                  "configuration is not touched)")
        ->type_name("FILE");
}

void AddQuiet(CLI::App* c, CliOptions& o) {
    c->add_flag("--quiet,-q", o.quiet, "no progress bar and no notes on standard error");
}

void AddCommon(CLI::App* c, CliOptions& o, unsigned takes) {
    const CLI::Validator hex(
        [](std::string& text) {
            return quelto::parse_hex16(text) ? std::string()
                                             : text + " is not a hexadecimal address";
        },
        "HEX");
    if (takes & kBoard) {
        c->add_option("--device", o.device,
                      "sensor model (default: the simulated board's, or the configuration's)")
            ->transform(ModelName());
        c->add_option("--interface", o.interfaceName,
                      "how the board is reached (default: the configuration's, else parallel)")
            ->check(CLI::IsMember({"parallel", "usb", "none"}));
    }
    if (takes & kPort) {
        c->add_option("--port", o.port,
                      "parallel port's base address, hexadecimal (default: the configuration's, "
                      "else 378)")
            ->check(hex)
            ->type_name("HEX");
    }
    if (takes & kBoard) {
        c->add_option("--adapter", o.adapter, "USB adapter number (default: the first one found)")
            ->check(WholeNumber(0, 3));
    }
    if (takes & kSweeps) {
        c->add_option("--samples", o.samples,
                      "samples a sweep (default: the configuration's, else 2048)")
            ->check(WholeNumber(1, 65536));
        c->add_option("--delay", o.delay, "read delay between samples, ms")
            ->check(RealNumber(0.0, 60000.0, false))
            ->capture_default_str();
    }
    if (takes & (kSweeps | kPaced)) {
        c->add_option("--pace", o.pace,
                      "take sample k at k/HZ seconds on the monotonic clock, counting missed "
                      "deadlines (default 0: as fast as the board goes)")
            ->check(RealNumber(0.0, 1e6, false))
            ->type_name("HZ");
    }
    AddEveryCommand(c, o, (takes & kBoard) != 0);
    if (takes & kPort) {
        c->add_option("--trace-port", o.tracePort,
                      "record every parallel-port register access (register, W or R, value) to "
                      "FILE")
            ->type_name("FILE");
        c->add_flag("--direct-io", o.directIo,
                    "reach the parallel port by raw port I/O (x86, root) instead of the parport "
                    "driver");
    }
    AddQuiet(c, o);
    if (takes & kChannel) {
        c->add_option("--channel", o.channel,
                      "channel: 0 (x or rate), 1 (y), 2 and 3 (ain1 and ain2, the gyroscopes' "
                      "inputs)")
            ->type_name("CHANNEL")
            ->transform(ChannelOption())
            ->capture_default_str();
    }
    if (takes & kDataForm) {
        c->add_option("--format", o.format, "tsv, csv or json")
            ->check(CLI::IsMember({"tsv", "csv", "json"}))
            ->capture_default_str();
    }
    if (takes & kOutput) {
        c->add_option("--output,-o", o.output, "write to FILE instead of standard output")
            ->type_name("FILE");
    }
}

// The parser takes the arguments last first, and lists those it did not expect so.
std::string InGivenOrder(const CLI::ParseError& e) {
    std::string text = e.what();
    const size_t colon = text.find(": ");
    if (dynamic_cast<const CLI::ExtrasError*>(&e) == nullptr || colon == std::string::npos) {
        return text;
    }
    std::vector<std::string> extras;
    std::istringstream words(text.substr(colon + 2));
    for (std::string word; words >> word;) {
        extras.insert(extras.begin(), word);
    }
    text.erase(colon + 1);
    for (const auto& word : extras) {
        text += " " + word;
    }
    return text;
}

// What the parser cannot check alone; empty when the options go together.
std::string Inconsistency(const CLI::App& command, const CliOptions& o, bool simulated) {
    if (!o.tracePort.empty() && o.interfaceName == "usb") {
        return "--trace-port: records the parallel port, which --interface usb does not use";
    }
    if (!o.fromLog.empty() && !(o.rate > 0) && !quelto::is_record(o.fromLog)) {
        return "--rate: a log has no sample rate; give it with --rate HZ";
    }
    if (o.band.size() == 2 && !(o.band[0] < o.band[1])) {
        return "--band: LOW must be below HIGH";
    }
    if (o.words.size() > 16) {
        return "--words: at most 16 words";
    }
    for (const char* option : {"--sim-density", "--sim-bias", "--sim-rrw", "--sim-amplitude",
                               "--sim-seed", "--simulate-fast-time"}) {
        if (!simulated && command.get_option_no_throw(option) != nullptr &&
            command.count(option) > 0) {
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
    AddEveryCommand(&app, o, false);
    AddQuiet(&app, o);
    const Command commands[] = {SweepCommand(),  SpectrumCommand(),    SelfTestCommand(),
                                LogCommand(),    TemperatureCommand(), AdaptersCommand(),
                                SpiCommand(),    NoiseCommand(),       AllanCommand(),
                                RecordCommand(), RecordLogCommand()};
    std::map<CLI::App*, const Command*> byApp;
    for (const auto& command : commands) {
        CLI::App* sub = app.add_subcommand(command.name, command.help);
        AddCommon(sub, o, command.takes);
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
        err << "queltoeval-cli: " << InGivenOrder(e) << "\n";
        if (app.get_subcommands().empty() && dynamic_cast<const CLI::RequiredError*>(&e)) {
            err << app.help();
        }
        return kExitUsage;
    }
    CLI::App* sub = app.get_subcommands().front();
    const bool simulated = app.count("--simulate") + sub->count("--simulate") > 0;
    if (const std::string wrong = Inconsistency(*sub, o, simulated); !wrong.empty()) {
        err << "queltoeval-cli: " << wrong << "\n";
        return kExitUsage;
    }
    const bool progress = !o.quiet && ::isatty(STDERR_FILENO) == 1;
    Context context(o, simulated, out, err, progress);
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
