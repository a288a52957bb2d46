#include "commands/DataLog.h"

#include "commands/DeviceSelect.h"
#include "commands/Sweep.h"
#include "commands/TimePlot.h"
#include "forms/Forms.h"
#include "forms/LogSetupForm.h"
#include "forms/MainWindowForm.h"
#include "forms/TimePlotForm.h"
#include "interfaces/Interface.h"
#include "platform/AppendFile.h"
#include "platform/Delay.h"
#include "platform/Frontend.h"
#include "platform/TextFormat.h"
#include "plots/PlotSetup.h"
#include "sensors/Acquisition.h"
#include "sensors/ReadData.h"
#include "sensors/SensorModels.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr int kMaxSkippedLogs = 1000;

// Why the run in progress could not write its file; empty while all is well.
std::string logError;

// The channels whose values a data line carries, in column order.
std::vector<int16_t> LoggedChannels() {
    const auto& log = DataLog();
    const int count = std::clamp<int>(log.ChosenChannelCount, 0, 4);
    return {log.ChosenChannelList.begin() + 1, log.ChosenChannelList.begin() + 1 + count};
}

std::string DateText(std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    char text[128];
    // The user's own date and time forms.
    const size_t n = std::strftime(text, sizeof text, "%x %X", &local);
    return {text, n};
}

// The log's full path in the working directory, or empty with logError saying why not.
std::string LogPath(const std::string& name) {
    if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos) {
        std::string shown = name;
        std::replace(shown.begin(), shown.end(), '\0', '?');
        logError = "A log file name may not contain \"/\" or a NUL character: \"" + shown +
                   "\". Change the name in the Output File box.";
        return {};
    }
    std::error_code error;
    const auto folder = std::filesystem::current_path(error);
    if (error) {
        logError = "The log file " + name + " has no folder to go to: " + error.message() + ".";
        return {};
    }
    return (folder / name).string();
}

void FileFailed(const std::string& what, const AppendFile& file) {
    if (logError.empty()) {
        logError = "Could not " + what + " the log file " + DataLog().LogFileName + ": " +
                   file.Error() + ".";
    }
}

struct LogPass {
    AppendFile file;
    std::vector<int16_t> channels;
    int16_t sel = 0;
    bool selLogged = false;
    bool readAhead = false;
    std::string line;
};

// One data line: the reads of every logged channel and the temperature when asked for; the
// sample is the selected channel's.
std::optional<AcquiredSample> TakeLogSample(LogPass& pass) {
    auto& acq = Acquisition();
    auto& line = pass.line;
    line = std::to_string(acq.SampleIndex + 1);
    AcquiredSample selected;
    const auto& channels = pass.channels;
    // The port's converters answer one transfer late: each read addresses the next channel
    // and brings the one before, after a first read that only addresses.
    if (pass.readAhead) {
        acq.ChannelIndex = channels.front();
        ReadChannel(acq.ChannelIndex);
    }
    for (size_t i = 0; i < channels.size(); ++i) {
        const int16_t ch = channels[i];
        acq.ChannelIndex = pass.readAhead ? channels[(i + 1) % channels.size()] : ch;
        const int32_t code = ReadChannel(acq.ChannelIndex);
        const float value = ChannelValue(code, ch);
        if (ch == pass.sel) {
            selected = {code, value};
        }
        line += '\t';
        line += GeneralText(value);
    }
    if (DataLog().LogTemperature) {
        line += '\t';
        line += GeneralText(ReadTemperature());
    }
    acq.ChannelIndex = pass.sel;
    // A failed transfer leaves the last answer in place: no line from it.
    if (AdapterLost()) {
        return std::nullopt;
    }
    line += kCrLf;
    return selected;
}

// The line goes to the file before its sample counts: a line that could not be written is
// no sample.
AcquisitionListener LogWriter(LogPass& pass) {
    AcquisitionListener writer;
    writer.record = [&pass](const AcquiredSample&) {
        if (!pass.file.Write(pass.line)) {
            FileFailed("write", pass.file);
            return false;
        }
        return true;
    };
    writer.sample = [&pass](const AcquiredSample& sample) {
        // The selected channel only: another channel's codes would be drawn in its scale.
        if (DataLog().LogPlotData && pass.selLogged && NextSampleFits()) {
            PlotRunSample(sample.code);
        }
    };
    return writer;
}

} // namespace

std::string LogHeaderText(const LogHeaderFields& f) {
    std::string h;
    h += f.device + "\tDate\t" + DateText(f.time) + kCrLf;
    h += "Temperature\t" + GeneralText(f.temperature) + "  dgrC" + kCrLf;
    h += "Num Samples\t" + std::to_string(f.samples) + kCrLf;
    h += "Loop Delay\t" + GeneralText(f.readDelayMs) + " mS" + kCrLf;
    if (!f.accelerometer && f.negSelfTest) {
        h += std::string("Neg Self Test On") + kCrLf;
    }
    if (!f.accelerometer && f.posSelfTest) {
        h += std::string("Pos Self Test On") + kCrLf;
    }
    if (f.accelerometer && f.powerDown) {
        h += std::string("Powerdown on") + kCrLf;
    }
    if (f.accelerometer && f.posSelfTest) {
        h += std::string("Self Test On") + kCrLf;
    }
    std::string names;
    std::string units = "Sample\t";
    for (size_t k = 0; k < f.names.size(); ++k) {
        names += "\t" + f.names[k];
        units += (k < f.units.size() ? f.units[k] : std::string()) + "\t";
    }
    if (f.temperatureColumn) {
        names += "\tTemp";
        units += "DgrC";
    }
    h += names + kCrLf + units + kCrLf;
    return h;
}

std::string LogHeader(float temperature, std::time_t time) {
    const auto& acq = Acquisition();
    const auto& c = Catalogue();
    const SensorModel* model = ChosenModel();
    LogHeaderFields f;
    f.device = c.DeviceName;
    f.time = time;
    f.temperature = temperature;
    f.samples = acq.SweepLength;
    f.readDelayMs = acq.LoopDelayMs;
    f.accelerometer = model != nullptr && model->kind == SensorKind::Accelerometer;
    f.negSelfTest = acq.SelfTestNegBit > 0;
    f.posSelfTest = acq.SelfTestPosBit > 0;
    f.powerDown = acq.PowerDown > 0;
    // Named after the columns the data lines carry, so that the two always agree.
    for (int16_t ch : LoggedChannels()) {
        const auto i = static_cast<size_t>(std::clamp<int16_t>(ch, 0, 8));
        f.names.push_back(c.ChannelName[i]);
        f.units.push_back(c.ChannelUnits[i]);
    }
    f.temperatureColumn = DataLog().LogTemperature;
    return LogHeaderText(f);
}

bool AcquireLogSweep() {
    auto& acq = Acquisition();
    LogPass pass;
    pass.sel = acq.ChannelIndex;
    pass.channels = LoggedChannels();
    pass.selLogged =
        std::find(pass.channels.begin(), pass.channels.end(), pass.sel) != pass.channels.end();
    pass.readAhead = Interface().InterfaceCode == kParallelInterface && pass.channels.size() > 1;
    if (!pass.file.Open(DataLog().LogFileName)) {
        FileFailed("open", pass.file);
        acq.StopRequested = true;
        return false;
    }
    BeginPass();
    std::vector<AcquisitionListener> listeners{RunReadouts(), LogWriter(pass)};
    // Without the selected channel in the log there is nothing of it to analyse.
    if (pass.selLogged) {
        listeners.push_back(RunAnalysis({}));
    }
    bool completed = RunAcquisition(
        {.takeSample = [&pass] { return TakeLogSample(pass); },
         .keep = pass.selLogged ? SampleKeeping::CodesAndValues : SampleKeeping::Nothing,
         .minimumSeconds = 0.001,
         .listeners = std::move(listeners)});
    if (!pass.file.Close()) {
        FileFailed("write", pass.file);
        completed = false;
    }
    acq.ChannelIndex = pass.sel;
    return completed;
}

CommandResult<LogWritten> cmdLogData_Click(int32_t passes) {
    const ShownMessages shown;
    LogWritten written;
    auto& m = mdiAnalyzer();
    auto& acq = Acquisition();
    auto& log = DataLog();
    {
        const AcquisitionGuard guard = StartAcquisition();
        if (!guard) {
            return shown.Refused<LogWritten>(guard.Refusal());
        }
        const float temperature = ReadTemperature();
        cmdStop_Click();
        DelayMs(15);

        logError.clear();
        // Held until the last pass is written; a file another run holds is skipped for the
        // next number, as if it had been taken already.
        FileLock lock;
        std::string path;
        for (int skipped = 0; skipped <= kMaxSkippedLogs; ++skipped) {
            path = LogPath(m.txtDlogFile.text + "_" + m.txtFileIndex.text + ".txt");
            if (path.empty() || lock.Take(path) || !lock.Busy()) {
                break;
            }
            m.txtFileIndex.text = GeneralText(LeadingNumber(m.txtFileIndex.text) + 1);
        }
        if (lock.Busy()) {
            logError = "The log files up to " + path + " are all being written by other runs.";
            path.clear();
        }
        if (!path.empty()) {
            log.LogFileName = path;
            m.txtDlogFile.toolTip = path;
            m.statusText = "Logging to " + path;
            written.path = path;
            const std::string text = LogHeader(temperature, std::time(nullptr));
            written.lines = std::count(text.begin(), text.end(), '\n');
            AppendFile header;
            if (!header.Open(path)) {
                FileFailed("open", header);
            } else if (!header.Write(text) || !header.Close()) {
                FileFailed("write", header);
            }
        }
        // Until a pass takes samples, the last sweep's trace and readouts stay on show
        // together.
        if (logError.empty()) {
            ClearReadouts();
            Ui().SetBusy(true);
            RepeatUntilStop(
                [&acq, &written] {
                    AcquireLogSweep();
                    written.lines += acq.SamplesTaken;
                    written.deadlinesMissed += acq.DeadlinesMissed;
                    ++written.passes;
                },
                [&acq, &written, passes] {
                    return passes > 0 ? written.passes < passes : acq.ContinuousMode;
                });
            Ui().SetBusy(false);
        }
    }

    // A log that could not be written leaves the number for the retry.
    if (logError.empty()) {
        m.txtFileIndex.text = GeneralText(LeadingNumber(m.txtFileIndex.text) + 1);
        m.statusText = "Log written to " + log.LogFileName;
    } else {
        m.statusText = logError;
        Ui().MsgBox(logError + "\nLogging has stopped; the file keeps only whole lines and "
                               "the file number was not advanced.");
    }
    Ui().DoEvents();
    const bool lost = AdapterLost();
    DropLostAdapter();
    if (lost || !logError.empty()) {
        // The file's failure was shown in its box just now.
        return {Outcome::Failed, lost ? m.statusText : logError, written, !lost};
    }
    return shown.Ended(!acq.StopRequested, written);
}

void cmdSetupDlog_Click() { ShowModalForm(FormId::frmLogSetup); }

void frmLogSetup_Form_Load() {
    const auto& plot = frmData().form;
    PlaceForm(FormId::frmLogSetup, {plot.left, plot.top, 0, 0});
}

void frmLogSetup_Form_Activate() {
    auto& f = frmLogSetup();
    const auto& log = DataLog();
    const SensorModel* model = ChosenModel();
    const bool accel = model != nullptr && model->kind == SensorKind::Accelerometer;
    static constexpr std::array<const char*, 4> kAccel{"X accel", "Y accel", nullptr, nullptr};
    static constexpr std::array<const char*, 4> kGyro{"Gyro", nullptr, "Ain1", "Ain2"};
    const auto& captions = accel ? kAccel : kGyro;
    for (size_t i = 0; i < f.chkInput.size(); ++i) {
        auto& box = f.chkInput[i];
        box.visible = captions[i] != nullptr;
        if (captions[i] != nullptr) {
            box.caption = captions[i];
        }
        box.value = log.ChannelChosen[i] ? 1 : 0;
    }
    f.chkLogTemp.value = log.LogTemperature ? 1 : 0;
    f.chkPlotData.value = log.LogPlotData ? 1 : 0;
}

void frmLogSetup_chkInput_Click(int16_t Index) {
    if (Index >= 0 && Index < 4) {
        const auto i = static_cast<size_t>(Index);
        DataLog().ChannelChosen[i] = frmLogSetup().chkInput[i].value != 0;
        RebuildChosenChannels();
    }
}

void frmLogSetup_chkLogTemp_Click() {
    DataLog().LogTemperature = frmLogSetup().chkLogTemp.value != 0;
}

void frmLogSetup_chkPlotData_Click() {
    DataLog().LogPlotData = frmLogSetup().chkPlotData.value != 0;
}

void frmLogSetup_cmdOK_Click() {
    auto& log = DataLog();
    RebuildChosenChannels();
    if (log.ChosenChannelCount == 1) {
        const int16_t ch = log.ChosenChannelList[1];
        Acquisition().ChannelIndex = ch;
        SetOptionValue(mdiAnalyzer().optAdcIn.data(), 4, ch, optAdcIn_Click);
    }
    HideForm(FormId::frmLogSetup);
}
