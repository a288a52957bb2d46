// The command table: each command's name, help, own options and run, one file per command
// under cli/commands/, all of them on the library's Session.
#pragma once

#include <quelto/OutputFile.h>
#include <quelto/Session.h>

#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

struct CliOptions {
    // Common to every command.
    std::string device;
    std::string interfaceName;
    std::string port;
    int adapter = -1;
    int samples = 0;
    double delay = 0;
    std::vector<std::string> simulate; // present, and the model when one is given
    std::string config;
    bool quiet = false;
    std::string tracePort;
    bool directIo = false;
    // Data commands.
    int channel = 0;
    int count = 1;
    bool continuous = false;
    std::string format = "tsv";
    std::string output;
    bool json = false;
    // log
    std::vector<int> channels;
    bool temperature = false;
    std::string file;
    int index = 1;
    // spi
    std::vector<std::string> words;
    std::vector<int> staticBits;
    int wordDelay = 0;
    int loop = 1;
    int chipSelect = 0;
    // The simulated part's noise; negative: the typical part's.
    double simDensity = -1;
    double simBias = -1;
    double simWalk = -1;
    int64_t simSeed = -1;
    double simAmplitude = -1;
    // noise, adev
    std::string fromLog;
    double rate = 0;
    int column = 1;
    int segment = 0;
    std::vector<double> band;
    std::vector<double> taus;
    // pacing and fast time; record, record-log
    double pace = 0;
    bool fastTime = false;
    std::string record;
    double duration = 0;
    int64_t recordSamples = 0;
    std::string parameters; // adev: ieee952 or yaml instead of the curve
};

// One command's run: its options, the session, where data and messages go.
class Context {
public:
    Context(CliOptions& options, bool simulated, std::ostream& out, std::ostream& err,
            bool progress);
    ~Context();

    CliOptions& options;

    // The session the windows would have at start-up with these settings; needsModel refuses
    // to go on without a sensor model.
    quelto::Session& Open(bool needsModel);
    // Refuses (usage) before the run what it must not write: a --config that is not a settings
    // file, a folder, and a file the run reads or writes already under another option. Then
    // opens --output's file, which appears whole under its name only at Commit; without it the
    // data go to standard output.
    void OpenFiles();
    void Write(std::string_view data);
    // Saves the settings, then puts the output in place.
    void Commit();
    // Saves the settings (once) and ends the session, and with it the port trace.
    void EndSession();

    void Note(const std::string& text);
    // The progress bar's label, such as "sweep 3"; by pass, the pass's number follows it.
    void SetLabel(std::string label, bool byPass = false) {
        label_ = std::move(label);
        numberedByPass_ = byPass;
    }
    void EndProgress();
    // A long run's progress, called now and then (wanted 0: open-ended).
    void Progress(int64_t taken, int64_t wanted);

    char Separator() const { return options.format == "csv" ? ',' : '\t'; }
    bool Json() const { return options.format == "json"; }

    // Sweeps until --count of them are taken, Ctrl+C ends a --continuous run, or take (given
    // the sweep's number, returning false when there are to be no more) says so.
    void RunSweeps(const char* label, const std::function<bool(int)>& take);

private:
    void DrawProgress(int pass, int taken, int wanted);

    bool simulated_;
    std::ostream& out_;
    std::ostream& err_;
    bool progress_;
    std::optional<quelto::OutputFile> file_;
    std::optional<quelto::Session> session_;
    std::string traceError_;
    std::string label_;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point drawn_;
    unsigned calls_ = 0;
    bool barShown_ = false;
    bool numberedByPass_ = false;
};

// The groups of common options a command takes: only those that do something for it.
enum Takes : unsigned {
    kBoard = 1,     // --device, --interface, --adapter, the simulated part's --sim-*
    kPort = 2,      // --port, --trace-port, --direct-io
    kSweeps = 4,    // --samples, --delay
    kChannel = 8,   // --channel
    kDataForm = 16, // --format tsv, csv or json
    kOutput = 32,   // --output
    kAll = 63,
    kPaced = 64, // --pace alone, without the sweeps' length and read delay
};

struct Command {
    const char* name;
    const char* help;
    unsigned takes; // Takes
    std::function<void(CLI::App&, CliOptions&)> addOptions;
    std::function<void(Context&)> run;
};

Command SweepCommand();
Command SpectrumCommand();
Command SelfTestCommand();
Command LogCommand();
Command TemperatureCommand();
Command AdaptersCommand();
Command SpiCommand();
Command NoiseCommand();
Command AllanCommand();
Command RecordCommand();
Command RecordLogCommand();

// Checks of a number's whole text, finite, with readable bounds.
CLI::Validator WholeNumber(int64_t low, int64_t high);
// A channel by its number (0 to 3) or its name (x, y, rate, ain1, ain2), given on as its number.
CLI::Validator ChannelOption();
CLI::Validator PositiveNumber();
CLI::Validator NonNegativeNumber();
CLI::Validator CountOption();

// --count and --continuous of the sweeping commands.
void AddSweepCount(CLI::App& command, CliOptions& options, const char* countHelp,
                   const char* continuousHelp);
// --format of a command whose text is not a table.
void AddTextOrJson(CLI::App& command, CliOptions& options, const char* jsonHelp);
// --from-log, --rate and --column of the noise commands.
void AddRecordSource(CLI::App& command, CliOptions& options);
