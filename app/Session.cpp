// The library's session: the windows' start-up with the given settings, then their handlers,
// with a frontend that turns message boxes into notes and dialogs into scripted choices.
#include <quelto/OutputFile.h>
#include <quelto/Session.h>

#include "app/Analyzer.h"
#include "app/ConfigFile.h"
#include "app/Hardware.h"
#include "app/Startup.h"
#include "commands/DataLog.h"
#include "commands/DeviceSelect.h"
#include "commands/NoiseAnalysis.h"
#include "commands/RecordRun.h"
#include "commands/SelfTest.h"
#include "commands/SpectrumWindow.h"
#include "commands/Sweep.h"
#include "commands/TimePlot.h"
#include "commands/UsbDebug.h"
#include "commands/UsbSelect.h"
#include "forms/Forms.h"
#include "forms/LogSetupForm.h"
#include "forms/MainWindowForm.h"
#include "forms/UsbDebugForm.h"
#include "forms/UsbSelectForm.h"
#include "interfaces/Interface.h"
#include "interfaces/UsbSpiDrivers.h"
#include "platform/Clock.h"
#include "platform/Delay.h"
#include "platform/Frontend.h"
#include "platform/PortIo.h"
#include "platform/SimulatorControl.h"
#include "platform/TextFormat.h"
#include "sensors/Acquisition.h"
#include "sensors/SensorModels.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>
#include <map>

namespace quelto {

namespace {

bool sessionOpen = false;

[[noreturn]] void Fail(std::string reason, std::string parameter = {}) {
    throw Error(ErrorKind::RunFailed, reason, std::move(parameter));
}

[[noreturn]] void Refuse(std::string reason, std::string parameter = {}) {
    throw Error(ErrorKind::Usage, reason, std::move(parameter));
}

std::string ModelList() {
    std::string list;
    const auto& all = SensorModels();
    for (size_t k = 0; k < all.size(); ++k) {
        list += (k == 0 ? "" : k + 1 == all.size() ? " or " : ", ") + std::string(all[k].name);
    }
    return list;
}

} // namespace

std::optional<uint16_t> parse_hex16(std::string text) {
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

namespace {

// Shortest text that reads back as the same number: the read delay box's text.
std::string Num(double value) {
    char text[32];
    return {text, std::to_chars(text, text + sizeof text, value).ptr};
}

// Boxes become notes; a question takes its default answer (No); a modal dialog runs what the
// session scripted for it; the stop request presses Stop.
class SessionFrontend final : public NullFrontend {
public:
    explicit SessionFrontend(Hooks& hooks) : hooks_(hooks) { InstallFrontend(this); }
    ~SessionFrontend() override { InstallFrontend(nullptr); }

    void DoEvents() override {
        if (Stopping()) {
            cmdStop_Click();
            frmUSBdebug().loopStop = true;
        }
        if (!hooks_.progress || ownProgress) {
            return;
        }
        const auto& acq = Acquisition();
        const bool end = acq.SampleIndex >= acq.SweepLength;
        if (end && !atEnd_) {
            ++passesEnded_;
        }
        atEnd_ = end;
        hooks_.progress(end ? passesEnded_ : passesEnded_ + 1, acq.SampleIndex,
                        std::max(acq.SweepLength, 1));
    }
    // The self-test's report is its result, not a note.
    void ShowReport(const std::string& text, const std::string& title) override {
        if (!reportIsResult) {
            MsgBox(text, title);
        }
    }
    void ShowModal(FormId form) override {
        if (const auto it = modal.find(form); it != modal.end()) {
            it->second();
        }
    }
    void ShowHelp(const std::string&) override {}

    bool Stopping() const { return hooks_.stop_requested && hooks_.stop_requested(); }
    void Note(const std::string& text) const {
        if (hooks_.note) {
            hooks_.note(text);
        }
    }
    void BeginCall() {
        passesEnded_ = 0;
        atEnd_ = false;
        boxesBefore_ = MessagesShown();
    }
    bool BoxesShown() const { return MessagesShown() != boxesBefore_; }

    std::map<FormId, std::function<void()>> modal;
    bool reportIsResult = false;
    bool ownProgress = false; // the call reports its progress itself

private:
    void ShowMsgBox(const std::string& text, const std::string&) override { Note(text); }
    bool ShowConfirm(const std::string& text, const std::string&) override {
        Note(text + " [answered No]");
        return false;
    }

    Hooks& hooks_;
    int passesEnded_ = 0;
    bool atEnd_ = false;
    uint64_t boxesBefore_ = 0;
};

Statistics CurrentStatistics() {
    const auto& s = ::Statistics();
    const auto& acq = Acquisition();
    return {acq.SamplesTaken,           s.StatMin,        s.StatMax,
            s.StatMax - s.StatMin,      s.StatMean,       s.StatRms,
            acq.SamplePeriod * 1000.0f, acq.SampleRateHz, acq.Temperature,
            acq.DeadlinesMissed};
}

} // namespace

std::vector<std::string> models() {
    std::vector<std::string> names;
    for (const auto& model : SensorModels()) {
        names.emplace_back(model.name);
    }
    return names;
}

int channel_number(const std::string& name) {
    static const std::map<std::string, int> names{{"x", 0},    {"rate", 0}, {"y", 1},
                                                  {"ain1", 2}, {"ain2", 3}, {"0", 0},
                                                  {"1", 1},    {"2", 2},    {"3", 3}};
    const auto it = names.find(name);
    if (it == names.end()) {
        Refuse(name + " is not a channel (x, y, rate, ain1, ain2 or 0 to 3)", "channel");
    }
    return it->second;
}

struct Session::State {
    explicit State(Hooks h) : hooks(std::move(h)), ui(hooks) {}
    ~State() {
        if (fastTime) {
            UseFastTime(false);
        }
        if (hardwareInstalled) {
            if (hooks.hardware_done) {
                hooks.hardware_done();
            }
            RemoveHardware();
        }
        sessionOpen = false;
    }

    // The model's channel, refused when it has none of that number.
    void ChooseChannel(int number) {
        const SensorModel* model = ChosenModel();
        if (model == nullptr) {
            Refuse("give the sensor model (" + ModelList() + ")", "model");
        }
        if (number < 0 || number >= static_cast<int>(model->titles.size()) ||
            model->titles[static_cast<size_t>(number)] == nullptr) {
            std::string have;
            for (size_t ch = 0; ch < model->titles.size(); ++ch) {
                if (model->titles[ch] != nullptr) {
                    have += (have.empty() ? "" : ", ") + std::to_string(ch);
                }
            }
            Refuse(std::string(model->name) + " has no channel " + std::to_string(number) +
                       " (it has " + have + ")",
                   "channel");
        }
        if (opened && number != Acquisition().ChannelIndex) {
            optAdcIn_Click(static_cast<int16_t>(number));
        }
    }

    // A call's samples and channel; 0 and -1 keep them.
    void Prepare(int samples, int channel) {
        ChooseChannel(channel < 0 ? Acquisition().ChannelIndex : channel);
        if (samples > 0 && samples != App().SweepLength) {
            App().SweepLength = samples;
            SettleSweepLength();
        }
        ui.BeginCall();
    }

    // A handler that refused or failed says why; when the user was shown the reason in a box,
    // which went out as a note, the failure is named by what was asked. A stopped run has
    // what it took.
    template <typename Data>
    void Check(const CommandResult<Data>& result, const std::string& what) const {
        if (ui.Stopping() || result.outcome == Outcome::Done ||
            result.outcome == Outcome::Stopped) {
            return;
        }
        Fail(result.shownInBox || result.reason.empty() ? what + " failed" : result.reason);
    }

    Channel CurrentChannel() const {
        const auto ch = static_cast<size_t>(Acquisition().ChannelIndex);
        return {Catalogue().DeviceName, static_cast<int>(ch), Catalogue().ChannelTitle,
                Catalogue().ChannelUnits[ch]};
    }

    Hooks hooks;
    SessionFrontend ui;
    bool hardwareInstalled = false;
    bool fastTime = false;
    bool opened = false;
    std::string settings;
    Channel channel;
};

Session::Session(const Options& o, Hooks hooks) {
    if (!(o.read_delay >= 0 && o.read_delay <= 60000)) {
        Refuse("the read delay is 0 to 60000 ms", "read_delay");
    }
    for (const auto& [value, name] : {std::pair{o.density, "density"},
                                      {o.bias_instability, "bias_instability"},
                                      {o.rate_random_walk, "rate_random_walk"},
                                      {o.amplitude, "amplitude"}}) {
        if (value && !(std::isfinite(*value) && *value >= 0)) {
            Refuse("must be a finite number, 0 or more", name);
        }
    }
    if (!(std::isfinite(o.pace_hz) && o.pace_hz >= 0)) {
        Refuse("the sample rate is a number of Hz, 0 or more", "pace_hz");
    }
    if (o.fast_time && !o.simulate) {
        Refuse("fast time is for the simulated boards only", "fast_time");
    }
    if (sessionOpen) {
        Refuse("a session is open already: the program has one state");
    }
    sessionOpen = true;
    state_ = std::make_unique<State>(std::move(hooks));
    auto& s = *state_;
    ResetAppState();
    if (o.fast_time) {
        UseFastTime(true);
        s.fastTime = true;
    }
    auto& app = App();
    CommandLine hardware;
    hardware.simulate = o.simulate;
    hardware.simulateModel = o.simulate_model;
    hardware.directIo = o.direct_io;
    app.Simulate = hardware.simulate;
    InstallHardware(hardware);
    s.hardwareInstalled = true;
    if (s.hooks.hardware_ready) {
        s.hooks.hardware_ready();
    }

    // The timing's calibration, run when a wait first needs it: probes as long as the windows'
    // when the pause between samples is waited, shorter ones otherwise.
    PlanDelayCalibration(o.read_delay > 0 ? kDelayProbeSeconds : kDelayProbeSeconds / 2);
    SetStartDefaults();
    s.settings = o.settings;
    if (!o.settings.empty()) {
        if (!std::filesystem::exists(o.settings)) {
            s.ui.Note(o.settings + " does not exist yet: the defaults are used");
        }
        ReadConfigFile(o.settings);
    }
    if (!o.model.empty()) {
        app.DeviceName = o.model;
    } else if (!o.simulate_model.empty()) {
        app.DeviceName = o.simulate_model;
    }
    if (!o.interface.empty()) {
        app.InterfaceCode = o.interface == "parallel" ? kParallelInterface
                            : o.interface == "usb"    ? kUsbInterface
                                                      : kNoInterface;
    } else if (o.settings.empty() || app.InterfaceCode == kNoInterface) {
        app.InterfaceCode = o.adapter >= 0 ? kUsbInterface : kParallelInterface;
    }
    if (!o.port.empty()) {
        const auto port = parse_hex16(o.port);
        if (!port) {
            Refuse(o.port + " is not a hexadecimal address", "port");
        }
        app.PortAddress = static_cast<int16_t>(*port);
    } else if (app.PortAddress == 0) {
        app.PortAddress = 0x378;
    }
    if (o.samples > 0) {
        app.SweepLength = o.samples;
    }
    SettleSweepLength();
    app.SettingsRead = true;
    if (!o.connect || FindSensorModel(app.DeviceName) == nullptr) {
        // Without a model only the adapters can be listed.
        return;
    }
    s.ChooseChannel(o.channel);

    // A USB adapter other than the first is chosen as in the selection dialog.
    const int adapter = o.adapter;
    s.ui.modal[FormId::frmUSBselect] = [adapter] {
        if (adapter >= 0) {
            frmUSBselect_optUsbPort_Click(static_cast<int16_t>(adapter));
            frmUSBselect_cmdOK_Click();
        }
    };
    s.ui.BeginCall();
    ShowForm(FormId::mdiAnalyzer);
    if (app.InterfaceCode == kUsbInterface && adapter >= 0) {
        if (adapter > 3 || !Usb().UsbAdapters[static_cast<size_t>(adapter)].Present) {
            Fail("there is no USB adapter " + std::to_string(adapter) +
                     " (see the adapters command)",
                 "adapter");
        }
        if (Usb().CurrentAdapterIndex != adapter) {
            mnuUSB_Click();
        }
    }
    optAdcIn_Click(static_cast<int16_t>(o.channel));
    // The simulated part shows a real one's noise, as in the windows, unless told otherwise.
    if (SimulatorControl* sim = Simulator()) {
        sim->UseTypicalNoise();
        SimulatedNoise noise = sim->Noise();
        noise.density = o.density.value_or(noise.density);
        noise.biasInstability = o.bias_instability.value_or(noise.biasInstability);
        noise.rateRandomWalk = o.rate_random_walk.value_or(noise.rateRandomWalk);
        sim->SetNoise(noise);
        if (o.seed) {
            sim->SetSeed(*o.seed);
        }
        if (o.amplitude) {
            sim->SetAmplitude(*o.amplitude);
        }
    }
    mdiAnalyzer().txtLoopDelay.text = Num(o.read_delay);
    if (o.pace_hz > 0) {
        const std::string why = PaceRefusal(
            o.pace_hz,
            Simulator() != nullptr ? BoardRateHz({static_cast<int16_t>(o.channel)}) : 0.0);
        if (!why.empty()) {
            Refuse(why, "pace_hz");
        }
    }
    Acquisition().PaceHz = o.pace_hz;
    if (s.ui.BoxesShown() || (app.InterfaceCode == kParallelInterface && !PortIsOpen()) ||
        app.InterfaceCode == kNoInterface) {
        Fail(app.InterfaceCode == kNoInterface ? "no interface: the board cannot be reached"
                                               : "the interface could not be opened");
    }
    s.opened = true;
}

Session::~Session() = default;

const Channel& Session::channel() const {
    state_->ChooseChannel(Acquisition().ChannelIndex);
    state_->channel = state_->CurrentChannel();
    return state_->channel;
}

Sweep Session::sweep(int samples, int channel) {
    auto& s = *state_;
    s.Prepare(samples, channel);
    ::Spectrum().FftOn = false;
    const auto result = cmdSingleSweep_Click();
    s.Check(result, "the sweep");
    const auto& acq = Acquisition();
    const int32_t n = std::min(acq.SamplesTaken, kMaxSampleIndex);
    Sweep sweep{s.CurrentChannel(),
                {acq.RawCodes.begin() + 1, acq.RawCodes.begin() + 1 + n},
                {acq.Samples.begin(), acq.Samples.begin() + n},
                CurrentStatistics(),
                result.outcome == Outcome::Stopped || s.ui.Stopping()};
    return sweep;
}

Sweep Session::sweep(int samples, const std::string& channel) {
    return sweep(samples, channel_number(channel));
}

Spectrum Session::spectrum(int samples, int channel) {
    auto& s = *state_;
    s.Prepare(samples, channel);
    ::Spectrum().FftOn = true;
    const auto result = cmdSingleSweep_Click();
    s.Check(result, "the sweep");
    if (!result.data.noSpectrum.empty() && !s.ui.Stopping()) {
        Fail(result.data.noSpectrum);
    }
    Spectrum spectrum;
    spectrum.channel = s.CurrentChannel();
    spectrum.stats = CurrentStatistics();
    spectrum.stopped = !result.data.peak || s.ui.Stopping();
    if (spectrum.stopped) {
        return spectrum;
    }
    const auto& f = ::Spectrum();
    spectrum.points = f.FftPoints;
    spectrum.bin_width_hz = f.FftBinWidth;
    for (size_t k = 0; k < f.FftData.size(); ++k) {
        spectrum.frequency_hz.push_back(static_cast<float>(k) * f.FftBinWidth);
        spectrum.magnitude.push_back(SpectrumBinValue(static_cast<int32_t>(k)));
    }
    spectrum.peak_bin = result.data.peak->bin;
    spectrum.peak_frequency_hz = result.data.peak->frequency;
    spectrum.peak_magnitude = result.data.peak->magnitude;
    return spectrum;
}

SelfTest Session::selftest() {
    auto& s = *state_;
    s.Prepare(0, -1);
    if (Acquisition().SweepLength < kSelfTestMinSamples) {
        Refuse("the self-test needs at least " + std::to_string(kSelfTestMinSamples) +
                   " samples a sweep",
               "samples");
    }
    s.ui.reportIsResult = true;
    const auto result = mnuTest_Click();
    s.ui.reportIsResult = false;
    SelfTest test;
    if (s.ui.Stopping()) {
        return test;
    }
    s.Check(result, "the self-test");
    if (result.data.empty()) {
        Fail("the self-test gave no report");
    }
    const SensorModel& model = *ChosenModel();
    test.device = model.name;
    test.units = model.rows[0].units;
    for (size_t k = 1; k <= 4; ++k) {
        test.phase_averages.push_back(::SelfTest().TestAvg[k]);
    }
    for (const auto& line : SelfTestLines()) {
        test.lines.push_back({line.key, line.label, line.value, line.code});
    }
    test.report = result.data;
    return test;
}

float Session::temperature() {
    auto& s = *state_;
    s.Prepare(0, -1);
    const auto result = mnuReadTemp_Click();
    s.Check(result, "reading the temperature");
    return result.data;
}

Log Session::log(const std::vector<int>& channels, bool temperature, int samples, int passes,
                 const std::string& file_base, int index) {
    auto& s = *state_;
    // The windows' own refusal would send the user to their Output File box.
    if (file_base.find_first_of(std::string("/\0", 2)) != std::string::npos) {
        Refuse("a log file name may not contain \"/\" or a NUL character", "file_base");
    }
    s.Prepare(samples, -1);
    std::vector<int> wanted = channels;
    if (wanted.empty()) {
        wanted.push_back(Acquisition().ChannelIndex);
    }
    // The channels are chosen in the "Datalog Setup" dialog, as a user would.
    std::string refused;
    s.ui.modal[FormId::frmLogSetup] = [&wanted, &refused, temperature] {
        auto& f = frmLogSetup();
        for (size_t ch = 0; ch < f.chkInput.size(); ++ch) {
            const bool chosen = std::find(wanted.begin(), wanted.end(), int(ch)) != wanted.end();
            const bool offered = f.chkInput[ch].visible && f.chkInput[ch].enabled;
            if (chosen && !offered) {
                refused = std::to_string(ch);
            }
            f.chkInput[ch].value = chosen && offered ? 1 : 0;
            frmLogSetup_chkInput_Click(static_cast<int16_t>(ch));
        }
        f.chkLogTemp.value = temperature ? 1 : 0;
        frmLogSetup_chkLogTemp_Click();
        frmLogSetup_cmdOK_Click();
    };
    cmdSetupDlog_Click();
    s.ui.modal.erase(FormId::frmLogSetup);
    if (!refused.empty()) {
        Refuse(Catalogue().DeviceName + " has no input " + refused, "channels");
    }
    auto& m = mdiAnalyzer();
    m.txtDlogFile.text = file_base.empty() ? Catalogue().DeviceName : file_base;
    m.txtFileIndex.text = std::to_string(index);
    m.chkContinuous.value = passes > 0 ? 0 : 1;
    chkContinuous_Click();
    const auto result = cmdLogData_Click(passes);
    s.Check(result, "the log");
    return {result.data.path, result.data.lines, result.data.passes,
            result.outcome == Outcome::Stopped || s.ui.Stopping(), result.data.deadlinesMissed};
}

std::vector<std::vector<uint16_t>> Session::spi(const std::vector<uint16_t>& words,
                                                const SpiOptions& o) {
    auto& s = *state_;
    s.Prepare(0, -1);
    if (Interface().InterfaceCode != kUsbInterface) {
        Refuse("raw SPI words go to a USB adapter only", "interface");
    }
    if (words.empty() || words.size() > 16) {
        Refuse("1 to 16 words", "words");
    }
    std::vector<std::vector<uint16_t>> answers;
    // Failed until a transfer says otherwise: the console may not have opened.
    CommandResult<std::vector<uint16_t>> last{Outcome::Failed, {}, {}};
    // The debug console's boxes, filled and clicked as a user would.
    s.ui.modal[FormId::frmUSBdebug] = [&] {
        auto& f = frmUSBdebug();
        if (o.chip_select > 0) {
            ChooseOption(f.optSpiChan.data(), 5, static_cast<int16_t>(o.chip_select),
                         frmUSBdebug_optSpiChan_Click);
        }
        if (!o.static_bits.empty()) {
            for (int b = 2; b <= 5; ++b) {
                f.chkStaticBits[static_cast<size_t>(b)].value =
                    std::count(o.static_bits.begin(), o.static_bits.end(), b) > 0 ? 1 : 0;
            }
            frmUSBdebug_cmdSetSpiBits_Click();
        }
        if (o.word_delay > 0) {
            f.txtLoopDelay.text = std::to_string(o.word_delay);
            frmUSBdebug_txtLoopDelay_KeyDown(13, 0);
        }
        f.txtNumWords.text = std::to_string(words.size());
        for (size_t k = 0; k < words.size(); ++k) {
            f.txtWriteSpi[k + 1].text = HexText(words[k]);
        }
        for (int pass = 0; pass < o.loop && !s.ui.Stopping(); ++pass) {
            last = frmUSBdebug_cmdWriteSpi_Click();
            if (last.outcome != Outcome::Done) {
                break;
            }
            answers.push_back(last.data);
        }
        frmUSBdebug_cmdExit_Click();
    };
    ShowModalForm(FormId::frmUSBdebug);
    s.ui.modal.erase(FormId::frmUSBdebug);
    s.Check(last, "the SPI transfer");
    return answers;
}

std::vector<Adapter> Session::adapters() {
    state_->ui.BeginCall();
    FindUsbAdapters();
    std::vector<Adapter> list;
    for (size_t i = 0; i < Usb().UsbAdapters.size(); ++i) {
        const auto& a = Usb().UsbAdapters[i];
        if (a.Present) {
            list.push_back({static_cast<int>(i), a.AdapterName, a.Descriptor1,
                            Format(a.FirmwareRev, "0.0"), SpeedText(a.UsbSpeed),
                            a.BoardType + " - " + std::to_string(a.Unit), a.Descriptor2});
        }
    }
    return list;
}

RecordRun Session::record(const std::string& path, const RecordOptions& o) {
    auto& s = *state_;
    if (!(std::isfinite(o.seconds) && o.seconds >= 0) || o.samples < 0) {
        Refuse("the duration and the sample count are 0 or more", "seconds");
    }
    s.Prepare(0, -1);
    std::vector<int16_t> channels;
    for (const int ch :
         o.channels.empty() ? std::vector<int>{Acquisition().ChannelIndex} : o.channels) {
        s.ChooseChannel(ch);
        if (std::find(channels.begin(), channels.end(), ch) != channels.end()) {
            Refuse("channel " + std::to_string(ch) + " is given twice", "channels");
        }
        channels.push_back(static_cast<int16_t>(ch));
    }
    s.ChooseChannel(channels.front());
    const double pace = Acquisition().PaceHz;
    int64_t samples = o.samples;
    if (o.seconds > 0) {
        const double rate = pace > 0 ? pace : BoardRateHz(channels);
        if (!(rate > 0)) {
            Refuse("the board's rate is not known: give a sample rate with the duration",
                   "seconds");
        }
        samples = std::max<int64_t>(1, std::llround(o.seconds * rate));
    }
    // Refusals (a folder, another user's link) come before the run.
    OutputFile out(path, "record");
    std::string failure;
    RecordPlan plan;
    plan.channels = channels;
    plan.samples = samples;
    plan.sink = [&out, &failure](std::string_view bytes) {
        try {
            out.write(bytes);
            return true;
        } catch (const Error& e) {
            failure = e.what();
            return false;
        }
    };
    plan.started = o.started;
    if (o.block) {
        plan.block = [&o](std::span<const float> values) { o.block(values); };
    }
    if (o.progress) {
        plan.progress = [&o, samples](int64_t taken) { o.progress(taken, samples); };
    }
    s.ui.ownProgress = true;
    const auto result = ::RecordRun(plan);
    s.ui.ownProgress = false;
    if (!failure.empty()) {
        Fail(failure, "record");
    }
    s.Check(result, "the record");
    if (result.outcome == Outcome::Refused) {
        Refuse(result.reason, "pace_hz");
    }
    out.commit();
    const RecordTaken& t = result.data;
    return {path,
            t.samples,
            t.deadlinesMissed,
            t.seconds,
            t.paceHz,
            t.boardRateHz,
            result.outcome == Outcome::Stopped || s.ui.Stopping()};
}

void Session::start_record() {
    auto& record = NoiseRecord();
    record = {};
    record.collecting = true;
}

bool Session::recording() const { return NoiseRecord().collecting; }

Record Session::take_record() {
    auto& record = NoiseRecord();
    record.collecting = false;
    return {std::move(record.values), record.sampleRate, record.units};
}

void Session::save_settings() {
    const std::string path = std::exchange(state_->settings, {});
    std::string unsaved;
    if (!path.empty() && App().SettingsRead && !WriteConfigFile(path, &unsaved)) {
        Fail("cannot write " + path + ": " + unsaved, "settings");
    }
}

} // namespace quelto
