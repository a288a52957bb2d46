#include "cli/CliApp.h"

#include "analysis/Noise.h"
#include "analysis/NoiseRecord.h"
#include "app/Analyzer.h"
#include "app/ConfigFile.h"
#include "app/Hardware.h"
#include "app/Startup.h"
#include "cli/ConsoleFrontend.h"
#include "cli/PortTrace.h"
#include "commands/DataLog.h"
#include "commands/DeviceSelect.h"
#include "commands/NoiseAnalysis.h"
#include "commands/SelfTest.h"
#include "commands/SpectrumWindow.h"
#include "commands/Sweep.h"
#include "commands/TimePlot.h"
#include "commands/UsbDebug.h"
#include "commands/UsbSelect.h"
#include "forms/Forms.h"
#include "forms/LogSetupForm.h"
#include "forms/UsbDebugForm.h"
#include "forms/UsbSelectForm.h"
#include "interfaces/Interface.h"
#include "interfaces/UsbSpiDrivers.h"
#include "platform/Delay.h"
#include "platform/ErrnoText.h"
#include "platform/ReplacingFile.h"
#include "platform/SimulatorControl.h"
#include "platform/TextFormat.h"
#include "plots/PlotSetup.h"
#include "sensors/SensorModels.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <sstream>
#include <utility>

namespace {

struct Options {
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
};

// Failures that end the command with a message and an exit code.
struct Failure {
    int code;
    std::string message;
};

[[noreturn]] void Fail(int code, std::string message) { throw Failure{code, std::move(message)}; }

// Shortest text that reads back as the same number.
template <typename T> std::string Num(T value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return {text, result.ptr};
}

// The same number as a JSON double that prints as Num does.
double JsonNum(float value) { return std::strtod(Num(value).c_str(), nullptr); }

std::optional<uint16_t> ParseHex16(std::string text) {
    if (text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0) {
        text = text.substr(2);
    }
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.empty() || text.size() > 4 || error != std::errc() ||
        end != text.data() + text.size()) {
        return std::nullopt;
    }
    return static_cast<uint16_t>(value);
}

// Where the data go: standard output, or a file that appears whole under its name only when
// the command succeeds (or is interrupted, with what it had).
class Output {
public:
    explicit Output(std::ostream& out) : out_(out) {}

    void OpenFile(const std::string& path) {
        if (!file_.Open(path)) {
            Fail(kExitRunFailed, "--output: cannot write " + path + ": " + file_.Error());
        }
        path_ = path;
    }
    void Write(std::string_view data) {
        if (!file_.IsOpen()) {
            out_.write(data.data(), static_cast<std::streamsize>(data.size()));
        } else if (!file_.Write(data)) {
            Fail(kExitRunFailed, "--output: writing " + path_ + " failed: " + file_.Error());
        }
    }
    void Commit() {
        if (!file_.IsOpen()) {
            out_.flush();
        } else if (!file_.Commit()) {
            Fail(kExitRunFailed, "--output: cannot write " + path_ + ": " + file_.Error());
        }
    }

private:
    std::ostream& out_;
    ReplacingFile file_;
    std::string path_;
};

class Cli {
public:
    Cli(std::ostream& out, std::ostream& err) : out_(out), err_(err), output_(out) {}
    int Run(const std::vector<std::string>& args);

private:
    void AddCommon(CLI::App* command, bool data);
    void StartSession(bool needsDevice);
    void EndSession();
    // The file given with --config, written once; first of all that ends a command well, so
    // that a run whose settings could not be saved fails before its output is put in place.
    void SaveConfig();
    void Commit();
    void Sweep(bool spectrum);
    void SelfTestCommand();
    void Log();
    void Temperature();
    void Adapters();
    void Spi();
    void NoiseCommand(bool allan);
    void RunSweeps(const char* label, const std::function<bool(int)>& done);
    nlohmann::json SweepJson() const;
    void ApplySimulatedNoise();

    void CheckRun(const char* what);
    const SensorModel& Model() const;
    std::string SweepText(int sweep) const;
    nlohmann::json StatisticsJson() const;
    std::string SpectrumText() const;
    nlohmann::json SpectrumJson() const;
    char Separator() const { return options_.format == "csv" ? ',' : '\t'; }
    bool Json() const { return options_.format == "json"; }

    std::ostream& out_;
    std::ostream& err_;
    Options options_;
    std::unique_ptr<ConsoleFrontend> ui_;
    Output output_;
    PortTrace trace_;
    bool simulated_ = false;
};

void Cli::AddCommon(CLI::App* c, bool data) {
    auto& o = options_;
    std::vector<std::string> models;
    for (const auto& model : SensorModels()) {
        models.emplace_back(model.name);
    }
    c->add_option("--device", o.device,
                  "sensor model (default: the simulated board's, or the configuration's)")
        ->check(CLI::IsMember(models));
    c->add_option("--interface", o.interfaceName,
                  "how the board is reached (default: the configuration's, else parallel)")
        ->check(CLI::IsMember({"parallel", "usb", "none"}));
    c->add_option("--port", o.port,
                  "parallel port's base address, hexadecimal (default: the configuration's, "
                  "else 378)")
        ->check(CLI::Validator(
            [](std::string& text) {
                return ParseHex16(text) ? std::string() : text + " is not a hexadecimal address";
            },
            "HEX"))
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

const SensorModel& Cli::Model() const { return *ChosenModel(); }

// The session the windows would have at start-up with these settings: the hardware behind
// the interfaces, the settings, the interface and the model restored by the main window's
// load handler.
void Cli::StartSession(bool needsDevice) {
    auto& o = options_;
    ResetAppState();
    auto& app = App();
    CommandLine hardware;
    hardware.simulate = simulated_;
    hardware.simulateModel = o.simulate.empty() ? "" : o.simulate.front();
    hardware.directIo = o.directIo;
    app.Simulate = hardware.simulate;
    InstallHardware(hardware);
    if (!o.tracePort.empty()) {
        std::string reason;
        if (!trace_.Start(o.tracePort, reason)) {
            Fail(kExitRunFailed, "--trace-port: " + reason);
        }
    }

    // The read delay's calibration: the windows take 3 s for it, a command a fraction.
    CalibrateDelay(o.delay > 0 ? 0.3 : 0.05);
    SetStartDefaults();
    if (!o.config.empty()) {
        if (!std::filesystem::exists(o.config)) {
            err_ << "queltoeval-cli: " << o.config
                 << " does not exist yet: the defaults are used\n";
        }
        ReadConfigFile(o.config);
    }
    if (!o.device.empty()) {
        app.DeviceName = o.device;
    } else if (!hardware.simulateModel.empty()) {
        app.DeviceName = hardware.simulateModel;
    }
    if (needsDevice && FindSensorModel(app.DeviceName) == nullptr) {
        Fail(kExitUsage, "--device: give the sensor model (KXS201, KXS202, KXS305, KXS306 or "
                         "KXS307)");
    }
    if (!o.interfaceName.empty()) {
        app.InterfaceCode = o.interfaceName == "parallel" ? kParallelInterface
                            : o.interfaceName == "usb"    ? kUsbInterface
                                                          : kNoInterface;
    } else if (o.config.empty() || app.InterfaceCode == kNoInterface) {
        app.InterfaceCode = o.adapter >= 0 ? kUsbInterface : kParallelInterface;
    }
    if (!o.port.empty()) {
        app.PortAddress = static_cast<int16_t>(*ParseHex16(o.port));
    } else if (app.PortAddress == 0) {
        app.PortAddress = 0x378;
    }
    if (o.samples > 0) {
        app.SweepLength = o.samples;
    }
    SettleSweepLength();
    app.SettingsRead = true;
    if (!needsDevice) {
        return;
    }
    const SensorModel& model = *FindSensorModel(app.DeviceName);
    if (model.titles[static_cast<size_t>(o.channel)] == nullptr) {
        std::string have;
        for (size_t ch = 0; ch < model.titles.size(); ++ch) {
            if (model.titles[ch] != nullptr) {
                have += (have.empty() ? "" : ", ") + std::to_string(ch);
            }
        }
        Fail(kExitUsage, "--channel: " + std::string(model.name) + " has no channel " +
                             std::to_string(o.channel) + " (it has " + have + ")");
    }

    // A USB adapter other than the first is chosen as in the selection dialog.
    const int adapter = o.adapter;
    ui_->OnModal(FormId::frmUSBselect, [adapter] {
        if (adapter >= 0) {
            frmUSBselect_optUsbPort_Click(static_cast<int16_t>(adapter));
            frmUSBselect_cmdOK_Click();
        }
    });
    ShowForm(FormId::mdiAnalyzer);
    if (app.InterfaceCode == kUsbInterface && adapter >= 0) {
        if (!Usb().UsbAdapters[static_cast<size_t>(adapter)].Present) {
            Fail(kExitRunFailed, "--adapter: there is no USB adapter " + std::to_string(adapter) +
                                     " (see the adapters command)");
        }
        if (Usb().CurrentAdapterIndex != adapter) {
            mnuUSB_Click();
        }
    }
    optAdcIn_Click(static_cast<int16_t>(o.channel));
    ApplySimulatedNoise();
    auto& m = mdiAnalyzer();
    m.txtLoopDelay.text = Num(o.delay);
    if (ui_->Messages() > 0 || (app.InterfaceCode == kParallelInterface && !PortIsOpen()) ||
        app.InterfaceCode == kNoInterface) {
        Fail(kExitRunFailed, app.InterfaceCode == kNoInterface
                                 ? "no interface: the board cannot be reached"
                                 : "the interface could not be opened");
    }
}

void Cli::SaveConfig() {
    const std::string config = std::exchange(options_.config, {});
    std::string unsaved;
    if (!config.empty() && App().SettingsRead && !WriteConfigFile(config, &unsaved)) {
        Fail(kExitRunFailed, "--config: cannot write " + config + ": " + unsaved);
    }
}

void Cli::Commit() {
    SaveConfig();
    output_.Commit();
}

void Cli::EndSession() {
    SaveConfig();
    std::string reason;
    if (!trace_.Stop(reason)) {
        Fail(kExitRunFailed, "--trace-port: " + reason);
    }
}

// A run that printed a message, lost its adapter or heard nothing from the board failed.
void Cli::CheckRun(const char* what) {
    if (ConsoleFrontend::Interrupted()) {
        return;
    }
    const std::string& status = mdiAnalyzer().statusText;
    if (!status.empty() && status.rfind("Log written to ", 0) != 0) {
        Fail(kExitRunFailed, status);
    }
    if (ui_->Messages() > 0 || AdapterLost() || Interface().InterfaceCode == kNoInterface) {
        Fail(kExitRunFailed, std::string(what) + " failed");
    }
}

std::string Cli::SweepText(int sweep) const {
    const auto& acq = Acquisition();
    const char sep = Separator();
    std::string text;
    text.reserve(static_cast<size_t>(acq.SamplesTaken) * 24 + 256);
    if (sweep == 1) {
        text += "# " + Catalogue().DeviceName + " channel " + std::to_string(acq.ChannelIndex) +
                ": " + Catalogue().ChannelTitle + "\n";
        text += std::string("sample") + sep + "code" + sep + "value (" +
                Catalogue().ChannelUnits[static_cast<size_t>(acq.ChannelIndex)] + ")\n";
    }
    const int32_t n = std::min(acq.SamplesTaken, kMaxSampleIndex);
    char line[64];
    for (int32_t k = 1; k <= n; ++k) {
        char* p = std::to_chars(line, line + sizeof line, k).ptr;
        *p++ = sep;
        p = std::to_chars(p, line + sizeof line, acq.RawCodes[static_cast<size_t>(k)]).ptr;
        *p++ = sep;
        p = std::to_chars(p, line + sizeof line, acq.Samples[static_cast<size_t>(k - 1)]).ptr;
        *p++ = '\n';
        text.append(line, p);
    }
    const auto stats = StatisticsJson();
    text += "# sweep" + std::string(1, sep) + std::to_string(sweep) + "\n";
    for (const char* key : {"samples", "min", "max", "pk_pk", "mean", "ac_rms", "period_ms",
                            "sample_rate_hz", "temperature_c"}) {
        std::ostringstream value;
        value << stats[key];
        text += std::string("# ") + key + sep + value.str() + "\n";
    }
    return text;
}

nlohmann::json Cli::StatisticsJson() const {
    const auto& s = Statistics();
    const auto& acq = Acquisition();
    return {{"samples", acq.SamplesTaken},
            {"min", JsonNum(s.StatMin)},
            {"max", JsonNum(s.StatMax)},
            {"pk_pk", JsonNum(s.StatMax - s.StatMin)},
            {"mean", JsonNum(s.StatMean)},
            {"ac_rms", JsonNum(s.StatRms)},
            {"period_ms", JsonNum(acq.SamplePeriod * 1000.0f)},
            {"sample_rate_hz", JsonNum(acq.SampleRateHz)},
            {"temperature_c", JsonNum(acq.Temperature)}};
}

nlohmann::json Cli::SpectrumJson() const {
    const auto& s = Spectrum();
    nlohmann::json frequency = nlohmann::json::array();
    nlohmann::json magnitude = nlohmann::json::array();
    for (size_t k = 0; k < s.FftData.size(); ++k) {
        frequency.push_back(JsonNum(static_cast<float>(k) * s.FftBinWidth));
        magnitude.push_back(JsonNum(SpectrumBinValue(static_cast<int32_t>(k))));
    }
    return {{"points", s.FftPoints},
            {"bin_width_hz", JsonNum(s.FftBinWidth)},
            {"frequency_hz", frequency},
            {"magnitude", magnitude},
            {"peak",
             {{"bin", s.FftPeakIndex},
              {"frequency_hz", JsonNum(s.FftPeakFreq)},
              {"magnitude", JsonNum(s.FftPeakValue)}}},
            {"statistics", StatisticsJson()}};
}

std::string Cli::SpectrumText() const {
    const auto& s = Spectrum();
    const char sep = Separator();
    const std::string units =
        Catalogue().ChannelUnits[static_cast<size_t>(Acquisition().ChannelIndex)];
    std::string text = "# " + Catalogue().DeviceName + " spectrum of " + Catalogue().ChannelTitle +
                       ", " + std::to_string(s.FftPoints) + " points\n";
    text += std::string("bin") + sep + "frequency_hz" + sep + "magnitude (" + units + ")\n";
    for (size_t k = 0; k < s.FftData.size(); ++k) {
        text += std::to_string(k) + sep + Num(static_cast<float>(k) * s.FftBinWidth) + sep +
                Num(SpectrumBinValue(static_cast<int32_t>(k))) + "\n";
    }
    text += "# peak_bin" + std::string(1, sep) + std::to_string(s.FftPeakIndex) + "\n";
    text += "# peak_frequency_hz" + std::string(1, sep) + Num(s.FftPeakFreq) + "\n";
    text += "# peak_magnitude" + std::string(1, sep) + Num(s.FftPeakValue) + "\n";
    return text;
}

// Sweeps until --count of them are taken, Ctrl+C ends a --continuous run, or done (run after
// each completed or interrupted sweep, with its number) says no more.
void Cli::RunSweeps(const char* label, const std::function<bool(int)>& done) {
    const int sweeps = options_.continuous ? 0 : options_.count;
    for (int sweep = 1; (sweeps == 0 || sweep <= sweeps) && !ConsoleFrontend::Interrupted();
         ++sweep) {
        ui_->SetProgressLabel(label + std::to_string(sweep));
        cmdSingleSweep_Click();
        CheckRun("the sweep");
        if (Acquisition().SamplesTaken == 0 || !done(sweep)) {
            break;
        }
    }
    ui_->EndProgress();
}

nlohmann::json Cli::SweepJson() const {
    const auto& acq = Acquisition();
    const int32_t n = std::min(acq.SamplesTaken, kMaxSampleIndex);
    nlohmann::json code = nlohmann::json::array();
    nlohmann::json value = nlohmann::json::array();
    for (int32_t k = 1; k <= n; ++k) {
        code.push_back(acq.RawCodes[static_cast<size_t>(k)]);
        value.push_back(JsonNum(acq.Samples[static_cast<size_t>(k - 1)]));
    }
    return {{"code", code}, {"value", value}, {"statistics", StatisticsJson()}};
}

void Cli::Sweep(bool spectrum) {
    StartSession(true);
    Spectrum().FftOn = spectrum;
    if (Json()) {
        const auto ch = static_cast<size_t>(Acquisition().ChannelIndex);
        std::string head = nlohmann::json{{"device", Catalogue().DeviceName},
                                          {"channel", ch},
                                          {"title", Catalogue().ChannelTitle},
                                          {"units", Catalogue().ChannelUnits[ch]}}
                               .dump();
        head.pop_back(); // the sweeps follow inside the object
        output_.Write(head + ",\"sweeps\":[");
    }
    RunSweeps(spectrum ? "spectrum " : "sweep ", [&](int sweep) {
        // A stopped sweep has no spectrum.
        if (spectrum && ConsoleFrontend::Interrupted()) {
            return false;
        }
        if (Json()) {
            output_.Write((sweep > 1 ? "," : "") +
                          (spectrum ? SpectrumJson() : SweepJson()).dump());
        } else {
            output_.Write(spectrum ? SpectrumText() : SweepText(sweep));
        }
        return true;
    });
    if (Json()) {
        output_.Write("]}\n");
    }
    Commit();
}

void Cli::SelfTestCommand() {
    StartSession(true);
    // The report box is the command's result.
    std::string report;
    ui_->SetMessageSink([&report](const std::string& text) {
        if (text != SelfTestReport()) {
            return false;
        }
        report = text;
        return true;
    });
    ui_->SetProgressLabel("self-test");
    mnuTest_Click();
    ui_->EndProgress();
    if (ConsoleFrontend::Interrupted()) {
        return;
    }
    CheckRun("the self-test");
    if (report.empty()) {
        Fail(kExitRunFailed, "the self-test gave no report");
    }
    if (!options_.json) {
        output_.Write(report);
        Commit();
        return;
    }
    nlohmann::json lines = nlohmann::json::object();
    for (const auto& line : SelfTestLines()) {
        lines[line.key] = {{"value", JsonNum(line.value)}, {"code", JsonNum(line.code)}};
    }
    nlohmann::json phases = nlohmann::json::array();
    for (size_t k = 1; k <= 4; ++k) {
        phases.push_back(JsonNum(SelfTest().TestAvg[k]));
    }
    const SensorModel& model = Model();
    output_.Write(nlohmann::json{{"device", model.name},
                                 {"units", model.rows[0].units},
                                 {"phase_averages", phases},
                                 {"lines", lines},
                                 {"report", report}}
                      .dump(2) +
                  "\n");
    Commit();
}

void Cli::Log() {
    auto& o = options_;
    StartSession(true);
    auto& m = mdiAnalyzer();
    if (o.channels.empty()) {
        o.channels.push_back(o.channel);
    }
    // The channels are chosen in the "Datalog Setup" dialog, as a user would.
    std::string refused;
    ui_->OnModal(FormId::frmLogSetup, [&o, &refused] {
        auto& f = frmLogSetup();
        for (size_t ch = 0; ch < f.chkInput.size(); ++ch) {
            const bool wanted =
                std::find(o.channels.begin(), o.channels.end(), int(ch)) != o.channels.end();
            const bool offered = f.chkInput[ch].visible && f.chkInput[ch].enabled;
            if (wanted && !offered) {
                refused = std::to_string(ch);
            }
            f.chkInput[ch].value = wanted && offered ? 1 : 0;
            frmLogSetup_chkInput_Click(static_cast<int16_t>(ch));
        }
        f.chkLogTemp.value = o.temperature ? 1 : 0;
        frmLogSetup_chkLogTemp_Click();
        frmLogSetup_cmdOK_Click();
    });
    cmdSetupDlog_Click();
    if (!refused.empty()) {
        Fail(kExitUsage, "--channels: " + Catalogue().DeviceName + " has no input " + refused);
    }
    m.txtDlogFile.text = o.file.empty() ? Catalogue().DeviceName : o.file;
    m.txtFileIndex.text = std::to_string(o.index);
    // Passes: one, a count of them, or until Ctrl+C.
    m.chkContinuous.value = o.continuous || o.count > 1 ? 1 : 0;
    chkContinuous_Click();
    int passes = 0;
    bool atEnd = false;
    auto& acq = Acquisition();
    const int wanted = o.continuous ? 0 : o.count;
    ui_->SetProgressLabel("log pass 1");
    // The last sample of the wanted pass stops the run, which then ends after it.
    ui_->SetEventHook([&] {
        const bool end = acq.SampleIndex >= acq.SweepLength;
        if (end && !atEnd) {
            ++passes;
            ui_->SetProgressLabel("log pass " + std::to_string(passes + 1));
            if (wanted > 0 && passes >= wanted) {
                cmdStop_Click();
            }
        }
        atEnd = end;
    });
    cmdLogData_Click();
    ui_->SetEventHook(nullptr);
    ui_->EndProgress();
    CheckRun("the log");
    if (!o.quiet) {
        err_ << "queltoeval-cli: " << m.statusText << "\n";
    }
}

void Cli::Temperature() {
    StartSession(true);
    mnuReadTemp_Click();
    CheckRun("reading the temperature");
    const float t = Acquisition().Temperature;
    output_.Write(Json() ? nlohmann::json{{"temperature_c", JsonNum(t)}}.dump() + "\n"
                         : Format(t, "0.00") + "\n");
    Commit();
}

void Cli::Adapters() {
    StartSession(false);
    FindUsbAdapters();
    const char sep = Separator();
    std::string text;
    nlohmann::json list = nlohmann::json::array();
    if (!Json()) {
        text = std::string("number") + sep + "name" + sep + "descriptor" + sep + "firmware" + sep +
               "speed" + sep + "board" + sep + "descriptor2\n";
    }
    for (size_t i = 0; i < Usb().UsbAdapters.size(); ++i) {
        const auto& a = Usb().UsbAdapters[i];
        if (!a.Present) {
            continue;
        }
        const std::string firmware = Format(a.FirmwareRev, "0.0");
        const std::string speed = SpeedText(a.UsbSpeed);
        const std::string board = a.BoardType + " - " + std::to_string(a.Unit);
        if (Json()) {
            list.push_back({{"number", i},
                            {"name", a.AdapterName},
                            {"descriptor", a.Descriptor1},
                            {"firmware", firmware},
                            {"speed", speed},
                            {"board", board},
                            {"descriptor2", a.Descriptor2}});
        } else {
            text += std::to_string(i) + sep + a.AdapterName + sep + a.Descriptor1 + sep + firmware +
                    sep + speed + sep + board + sep + a.Descriptor2 + "\n";
        }
    }
    output_.Write(Json() ? list.dump(2) + "\n" : text);
    Commit();
}

void Cli::Spi() {
    auto& o = options_;
    if (o.interfaceName.empty()) {
        o.interfaceName = "usb";
    } else if (o.interfaceName != "usb") {
        Fail(kExitUsage, "--interface: raw SPI words go to a USB adapter only");
    }
    StartSession(true);
    std::string text;
    nlohmann::json answers = nlohmann::json::array();
    // The debug console's boxes, filled and clicked as a user would.
    ui_->OnModal(FormId::frmUSBdebug, [&] {
        auto& f = frmUSBdebug();
        if (o.chipSelect > 0) {
            ChooseOption(f.optSpiChan.data(), 5, static_cast<int16_t>(o.chipSelect),
                         frmUSBdebug_optSpiChan_Click);
        }
        if (!o.staticBits.empty()) {
            for (int b = 2; b <= 5; ++b) {
                f.chkStaticBits[static_cast<size_t>(b)].value =
                    std::count(o.staticBits.begin(), o.staticBits.end(), b) > 0 ? 1 : 0;
            }
            frmUSBdebug_cmdSetSpiBits_Click();
        }
        if (o.wordDelay > 0) {
            f.txtLoopDelay.text = std::to_string(o.wordDelay);
            frmUSBdebug_txtLoopDelay_KeyDown(13, 0);
        }
        f.txtNumWords.text = std::to_string(o.words.size());
        for (size_t k = 0; k < o.words.size(); ++k) {
            f.txtWriteSpi[k + 1].text = HexText(*ParseHex16(o.words[k]));
        }
        for (int pass = 0; pass < o.loop && !ConsoleFrontend::Interrupted(); ++pass) {
            frmUSBdebug_cmdWriteSpi_Click();
            if (!Usb().CurrentAdapter.Present) {
                break;
            }
            nlohmann::json words = nlohmann::json::array();
            std::string line;
            for (size_t k = 1; k <= o.words.size(); ++k) {
                const std::string& word = f.txtReadSpi[k].text;
                line += (k > 1 ? " " : "") + word;
                words.push_back(word);
            }
            if (Json()) {
                answers.push_back(words);
            } else {
                text += line + "\n";
            }
        }
        frmUSBdebug_cmdExit_Click();
    });
    ShowModalForm(FormId::frmUSBdebug);
    CheckRun("the SPI transfer");
    output_.Write(Json() ? answers.dump() + "\n" : text);
    Commit();
}

// The simulated part shows a real one's noise, as in the windows, unless told otherwise.
void Cli::ApplySimulatedNoise() {
    SimulatorControl* sim = Simulator();
    if (sim == nullptr) {
        return;
    }
    const auto& o = options_;
    sim->UseTypicalNoise();
    SimulatedNoise noise = sim->Noise();
    for (const auto& [option, field] : {std::pair{o.simDensity, &noise.density},
                                        {o.simBias, &noise.biasInstability},
                                        {o.simWalk, &noise.rateRandomWalk}}) {
        if (option >= 0) {
            *field = option;
        }
    }
    sim->SetNoise(noise);
    if (o.simSeed >= 0) {
        sim->SetSeed(static_cast<uint32_t>(o.simSeed));
    }
    if (o.simAmplitude >= 0) {
        sim->SetAmplitude(o.simAmplitude);
    }
}

void Cli::NoiseCommand(bool allan) {
    auto& o = options_;
    std::vector<double> values;
    double rate = o.rate;
    std::string units;
    std::string source;
    if (!o.fromLog.empty()) {
        LogColumn column = ReadLogColumn(o.fromLog, o.column);
        if (!column.error.empty()) {
            Fail(kExitRunFailed, "--from-log: " + column.error);
        }
        values = std::move(column.values);
        units = column.units;
        source = o.fromLog + " column " + std::to_string(o.column);
    } else {
        StartSession(true);
        // Every sweep joins the record, beyond the sweep buffer's length.
        auto& record = NoiseRecord();
        record = {};
        record.collecting = true;
        RunSweeps("sweep ", [&](int) {
            if (!record.collecting) {
                err_ << "queltoeval-cli: the record is full; analysing what it holds\n";
            }
            return record.collecting;
        });
        record.collecting = false;
        values = record.values;
        units = Catalogue().ChannelUnits[static_cast<size_t>(Acquisition().ChannelIndex)];
        source = Catalogue().DeviceName + " " + Catalogue().ChannelTitle;
        if (!(rate > 0)) {
            rate = record.sampleRate;
        }
    }
    if (values.empty() || !(rate > 0)) {
        Fail(kExitRunFailed, "no samples to analyse");
    }
    const char sep = Separator();
    auto number = [](double v) { return std::isfinite(v) ? Num(v) : std::string("null"); };
    std::string text =
        "# " + source + ", " + std::to_string(values.size()) + " samples at " + Num(rate) + " Hz\n";
    nlohmann::json json{
        {"source", source}, {"samples", values.size()}, {"sample_rate_hz", rate}, {"units", units}};
    if (allan) {
        const AllanResult r = o.taus.empty() ? AllanDeviation(values, 1.0 / rate)
                                             : AllanDeviation(values, 1.0 / rate, o.taus);
        if (!r.error.empty()) {
            Fail(kExitRunFailed, r.error);
        }
        nlohmann::json tau = nlohmann::json::array(), adev = tau, error = tau;
        text += std::string("tau_s") + sep + "adev" + sep + "adev_error" + sep + "m\n";
        for (const auto& p : r.points) {
            tau.push_back(p.tau);
            adev.push_back(p.deviation);
            error.push_back(p.uncertainty);
            text += Num(p.tau) + sep + Num(p.deviation) + sep + Num(p.uncertainty) + sep +
                    std::to_string(p.m) + "\n";
        }
        auto optional = [](const std::optional<double>& v) {
            return v ? nlohmann::json(*v) : nlohmann::json(nullptr);
        };
        json["tau_s"] = tau;
        json["adev"] = adev;
        json["adev_error"] = error;
        json["white_noise"] = optional(r.whiteNoise);
        json["bias_instability"] = optional(r.biasInstability);
        json["bias_instability_tau_s"] = r.minimumTau;
        json["rate_random_walk"] = optional(r.rateRandomWalk);
        for (const char* key : {"white_noise", "bias_instability", "rate_random_walk"}) {
            text += std::string("# ") + key + sep +
                    (json[key].is_null() ? "null" : number(json[key].get<double>())) + "\n";
        }
    } else {
        const size_t length =
            o.segment > 0 ? static_cast<size_t>(o.segment) : DefaultSegmentLength(values.size());
        const DensityResult r = o.band.empty()
                                    ? NoiseDensity(values, rate, length)
                                    : NoiseDensity(values, rate, length, o.band[0], o.band[1]);
        if (!r.error.empty()) {
            Fail(kExitRunFailed, r.error);
        }
        json["frequency_hz"] = r.frequency;
        json["density"] = r.density;
        json["floor"] = r.floor;
        json["band_hz"] = {r.bandLow, r.bandHigh};
        json["segment"] = length;
        json["segments"] = r.segments;
        text += std::string("frequency_hz") + sep + "density (" + units + "/sqrt(Hz))\n";
        for (size_t k = 0; k < r.frequency.size(); ++k) {
            text += Num(r.frequency[k]) + sep + Num(r.density[k]) + "\n";
        }
        text += "# floor" + std::string(1, sep) + Num(r.floor) + "\n";
        text += "# band_hz" + std::string(1, sep) + Num(r.bandLow) + sep + Num(r.bandHigh) + "\n";
        text += "# segments" + std::string(1, sep) + std::to_string(r.segments) + "\n";
    }
    output_.Write(Json() ? json.dump() + "\n" : text);
    Commit();
}

int Cli::Run(const std::vector<std::string>& args) {
    CLI::App app{"Sweeps, spectra, self-tests, logs and raw SPI words from the sensor evaluation "
                 "boards, without a window. Numbers are those the windows show for the same "
                 "settings.",
                 "queltoeval-cli"};
    app.set_version_flag("--version", std::string(QUELTO_VERSION));
    app.require_subcommand(1, 1);
    app.footer("Every command takes --help. Exit status: 0 done, 1 the run failed (no board, "
               "adapter lost, a write error), 2 bad usage, 130 interrupted by Ctrl+C (the "
               "output so far is complete).");
    auto& o = options_;

    auto* sweep = app.add_subcommand("sweep", "take sweeps of one channel: samples and statistics");
    AddCommon(sweep, true);
    auto* spectrum = app.add_subcommand("spectrum", "take a sweep and print its spectrum and peak");
    AddCommon(spectrum, true);
    for (auto* c : {sweep, spectrum}) {
        c->add_option("--count", o.count, "sweeps to take")
            ->check(CLI::PositiveNumber)
            ->capture_default_str();
        c->add_flag("--continuous", o.continuous, "sweep until Ctrl+C");
    }
    auto* selftest =
        app.add_subcommand("selftest", "run the self-test measurement, print its report");
    AddCommon(selftest, true);
    selftest->add_flag("--json", o.json, "the phase averages and differences as JSON");
    auto* log = app.add_subcommand(
        "log", "log channels to the tab-separated file \"Log Data\" writes, in the working folder");
    AddCommon(log, true);
    log->add_option("--channels", o.channels,
                    "channels to log, for example 0,2,3 (default: --channel)")
        ->delimiter(',')
        ->check(CLI::Range(0, 3));
    log->add_flag("--temperature", o.temperature, "log the temperature too");
    log->add_option("--file", o.file, "file name's base (default: the device name)");
    log->add_option("--index", o.index, "file number: the file is BASE_INDEX.txt")
        ->check(CLI::Range(1, 1000000))
        ->capture_default_str();
    log->add_option("--count", o.count, "passes to log")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    log->add_flag("--continuous", o.continuous, "log until Ctrl+C");
    auto* temp = app.add_subcommand("temp", "read the board temperature, degrees C");
    AddCommon(temp, true);
    auto* adapters = app.add_subcommand("adapters", "list the USB adapters found");
    AddCommon(adapters, true);
    auto* spi =
        app.add_subcommand("spi", "send raw words to the USB adapter, print the answers in hex");
    AddCommon(spi, true);
    spi->add_option("--words", o.words,
                    "1 to 16 words of up to 4 hexadecimal digits, comma-separated")
        ->delimiter(',')
        ->required()
        ->check(CLI::Validator(
            [](std::string& text) {
                return ParseHex16(text) ? std::string()
                                        : text + " is not a 16-bit hexadecimal word";
            },
            "HEX"));
    spi->add_option("--static-bits", o.staticBits,
                    "chip-select lines held high, of 2 to 5, comma-separated (default: unchanged)")
        ->delimiter(',')
        ->check(CLI::Range(2, 5));
    spi->add_option("--word-delay", o.wordDelay, "delay between words, us (default: unchanged)")
        ->check(CLI::Range(1, 255));
    spi->add_option("--loop", o.loop, "transfers of the words")
        ->check(CLI::Range(1, 100000000))
        ->capture_default_str();
    spi->add_option("--cs", o.chipSelect, "chip-select channel (default: unchanged)")
        ->check(CLI::Range(1, 4));

    auto* noise = app.add_subcommand(
        "noise", "noise density by Welch's method, of live sweeps or a log's column");
    AddCommon(noise, true);
    auto* adev = app.add_subcommand(
        "adev",
        "overlapping Allan deviation and its coefficients, of live sweeps or a log's column");
    AddCommon(adev, true);
    for (auto* c : {noise, adev}) {
        c->add_option("--count", o.count, "sweeps joined into the record")
            ->check(CLI::PositiveNumber)
            ->capture_default_str();
        c->add_flag("--continuous", o.continuous, "sweep until Ctrl+C, then analyse");
        auto* log = c->add_option("--from-log", o.fromLog,
                                  "analyse a log written by \"Log Data\" or the log command, "
                                  "every pass joined")
                        ->type_name("FILE");
        c->add_option("--rate", o.rate,
                      "sample rate, Hz (needed with --from-log; default: the sweeps' measured)")
            ->check(CLI::PositiveNumber);
        c->add_option("--column", o.column, "the log's data column, 1 = the first after the sample")
            ->check(CLI::Range(1, 5))
            ->capture_default_str()
            ->needs(log);
        c->get_option("--format")->description("tsv, csv or json (keys in the README)");
    }
    noise
        ->add_option("--segment", o.segment,
                     "Welch segment length, samples, a power of two (default: 4096, or the "
                     "largest at most an eighth of the record)")
        ->check(CLI::Validator(
            [](std::string& text) {
                const long n = std::strtol(text.c_str(), nullptr, 10);
                return n >= 16 && n <= (1L << 24) && (n & (n - 1)) == 0
                           ? std::string()
                           : text + " is not a power of two from 16 to 16777216";
            },
            "POW2"));
    noise
        ->add_option("--band", o.band,
                     "band of the white-noise floor, Hz: LOW,HIGH (default: 10 % to 40 % of "
                     "the sample rate)")
        ->delimiter(',')
        ->expected(2)
        ->check(CLI::NonNegativeNumber);
    adev->add_option("--taus", o.taus,
                     "averaging times, s, comma-separated (default: octaves from one sample "
                     "period to a tenth of the record)")
        ->delimiter(',')
        ->check(CLI::PositiveNumber);

    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {
            return app.exit(e, out_, err_);
        }
        err_ << "queltoeval-cli: " << e.what() << "\n";
        return kExitUsage;
    }
    if (!o.fromLog.empty() && !(o.rate > 0)) {
        err_ << "queltoeval-cli: --rate: a log has no sample rate; give it with --rate HZ\n";
        return kExitUsage;
    }
    if (o.band.size() == 2 && !(o.band[0] < o.band[1])) {
        err_ << "queltoeval-cli: --band: LOW must be below HIGH\n";
        return kExitUsage;
    }
    if (o.words.size() > 16) {
        err_ << "queltoeval-cli: --words: at most 16 words\n";
        return kExitUsage;
    }
    CLI::App* command = app.get_subcommands().front();
    simulated_ = command->count("--simulate") > 0;
    for (const char* option :
         {"--sim-density", "--sim-bias", "--sim-rrw", "--sim-amplitude", "--sim-seed"}) {
        if (!simulated_ && command->count(option) > 0) {
            err_ << "queltoeval-cli: " << option << ": only with --simulate\n";
            return kExitUsage;
        }
    }
    const bool progress = !o.quiet && ::isatty(STDERR_FILENO) == 1;
    ui_ = std::make_unique<ConsoleFrontend>(err_, progress);
    int code = kExitOk;
    try {
        if (!o.output.empty()) {
            output_.OpenFile(o.output);
        }
        if (command == sweep || command == spectrum) {
            Sweep(command == spectrum);
        } else if (command == selftest) {
            SelfTestCommand();
        } else if (command == log) {
            Log();
        } else if (command == temp) {
            Temperature();
        } else if (command == noise || command == adev) {
            NoiseCommand(command == adev);
        } else if (command == adapters) {
            Adapters();
        } else {
            Spi();
        }
        EndSession();
    } catch (const Failure& failure) {
        ui_->EndProgress();
        err_ << "queltoeval-cli: " << failure.message << "\n";
        code = failure.code;
        try {
            EndSession();
        } catch (const Failure& second) {
            err_ << "queltoeval-cli: " << second.message << "\n";
        }
    }
    if (code == kExitOk && ConsoleFrontend::Interrupted()) {
        code = kExitInterrupted;
    }
    ui_.reset();
    RemoveHardware();
    return code;
}

} // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Cli cli(out, err);
    return cli.Run(args);
}
