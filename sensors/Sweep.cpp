#include "sensors/Sweep.h"

#include "analysis/Statistics.h"
#include "app/Analyzer.h"
#include "app/Delay.h"
#include "app/TextFormat.h"
#include "platform/Canvas.h"
#include "platform/Clock.h"
#include "platform/Frontend.h"
#include "platform/PortIo.h"
#include "plots/PlotSetup.h"
#include "sensors/ReadData.h"
#include "simulator/SimBoards.h"

#include <algorithm>

namespace {

bool running = false;

// Marks an acquisition as running for as long as it is in scope.
class RunningScope {
public:
    RunningScope() {
        running = true;
        App().mdiAnalyzer.cmdSingleSweep.enabled = false;
    }
    ~RunningScope() {
        running = false;
        App().mdiAnalyzer.cmdSingleSweep.enabled = true;
    }
    RunningScope(const RunningScope&) = delete;
    RunningScope& operator=(const RunningScope&) = delete;
};

// An interface and a model are chosen, and the port, when it is the interface, is open.
bool ReadyToRead() {
    auto& app = App();
    auto& m = app.mdiAnalyzer;
    if (app.InterfaceCode == 0) {
        Ui().MsgBox("Please select an interface first");
        m.txtInterface.text = "None";
        m.txtPort.text = "None";
        return false;
    }
    if (app.DeviceName == "None") {
        Ui().MsgBox("Please select a device first");
        m.txtDevice.text = "None";
        return false;
    }
    // Without access every read would give the missing-board pattern, looking like data.
    if (app.InterfaceCode == 1 && !PortIsOpen()) {
        Ui().MsgBox("The parallel port at " + HexText16(app.PortAddress) +
                    " is not open, so no data can be taken.\nChoose Parallel Port in the "
                    "Interface menu to try again.");
        return false;
    }
    return true;
}

float PlotWidth() {
    const Canvas* pic1 = App().frmData.pic1;
    return pic1 != nullptr ? pic1->Width() : 0.0f;
}

// The buffers hold samples 1..kMaxSampleIndex, whatever length the configuration asked for.
int32_t SamplesWanted() { return std::clamp(App().SweepLength, 0, kMaxSampleIndex); }

bool AdapterLost() { return App().InterfaceCode == 2 && !App().CurrentAdapter.Present; }

// With no board the lines read as one rail for every sample, and the sweep would look like
// a real, if odd, signal (-200.05 deg/s).
std::string SilentBoardText() {
    const auto& app = App();
    const int32_t n = std::min(app.SamplesTaken, kMaxSampleIndex);
    if (n <= 0) {
        return {};
    }
    const auto first = app.RawCodes.begin() + 1;
    const int32_t code = *first;
    if ((code != 0 && code != ConverterFullScaleCode()) ||
        !std::all_of(first, first + n, [code](int32_t c) { return c == code; })) {
        return {};
    }
    return "The board gives no answer: every sample of the sweep reads " + std::to_string(code) +
           ". Check that it is plugged in and powered, and that the interface, port and device "
           "are the right ones.";
}

// Said once in the status line, not in a box that would halt a continuous run; taken back
// when the board answers again.
void ReportSilentBoard() {
    auto& status = App().mdiAnalyzer.statusText;
    const std::string text = SilentBoardText();
    if (!text.empty() && status.empty()) {
        status = text;
    } else if (text.empty() && status.rfind("The board gives no answer", 0) == 0) {
        status.clear();
    }
}

} // namespace

bool AcquisitionRunning() { return running; }

bool SetupOK() {
    auto& app = App();
    auto& m = app.mdiAnalyzer;
    if (!ReadyToRead()) {
        return false;
    }
    if (!m.txtLoopDelay.text.empty()) {
        app.LoopDelayMs = static_cast<float>(LeadingNumber(m.txtLoopDelay.text));
    }
    // The negated test also turns a NaN into 0.
    if (!(app.LoopDelayMs >= 0.0f)) {
        app.LoopDelayMs = 0.0f;
    }
    if (app.LoopDelayMs > 60000.0f) {
        app.LoopDelayMs = 60000.0f;
    }
    m.txtLoopDelay.text = Format(app.LoopDelayMs, "0.00");
    return true;
}

bool AcquireSweep() {
    auto& app = App();
    app.PlotX = 0;
    // The last trace is about to be overwritten: a resize before the first sample must not
    // redraw it up to the edge, which would keep this sweep from drawing.
    app.PlotIndex = 0;
    app.SampleIndex = 0;
    app.StopRequested = false;
    SimulatedSweepLength(app.SweepLength);

    ReadTemperature();
    // The converters answer one transfer late: the first code belongs to the last channel read.
    ReadChannel(app.ChannelIndex);

    bool completed = true;
    Clock& clock = SystemClock();
    const double t0 = clock.Now();
    while (app.SampleIndex < SamplesWanted()) {
        const int16_t ch = app.ChannelIndex;
        const int32_t code = ReadChannel(ch);
        // A failed transfer leaves the last answer in place: that is no new sample.
        if (AdapterLost()) {
            completed = false;
            app.StopRequested = true;
            break;
        }
        app.Samples[app.SampleIndex] = ChannelValue(code, ch);
        ++app.SampleIndex;
        app.SamplesTaken = app.SampleIndex;
        app.RawCodes[app.SampleIndex] = code;
        Ui().DoEvents();
        if (app.PlotX + app.PlotXStep < PlotWidth()) {
            PlotSample(code);
        }
        WaitLoopDelay(app.LoopDelayMs);
        if (AdapterLost()) {
            app.StopRequested = true;
        }
        if (app.StopRequested) {
            completed = false;
            app.SampleIndex = SamplesWanted();
        }
    }

    // A clock that did not advance gives no period; 0 reads as "not measured".
    const double elapsed = clock.Now() - t0;
    if (elapsed > 0.0 && app.SamplesTaken > 0) {
        app.SamplePeriod = static_cast<float>(elapsed / app.SamplesTaken);
        app.SampleRateHz = 1.0f / app.SamplePeriod;
    } else {
        app.SamplePeriod = 0.0f;
        app.SampleRateHz = 0.0f;
    }
    app.frmData.lblTsample.caption = Format(app.SamplePeriod * 1000.0, "0.00");

    int32_t count = app.SamplesTaken;
    ComputeStatistics(count);
    ReadTemperature();
    return completed;
}

void cmdSingleSweep_Click() {
    // One acquisition at a time: a second one would share the buffers and the lines.
    if (AcquisitionRunning() || !SetupOK()) {
        return;
    }
    auto& app = App();
    auto& m = app.mdiAnalyzer;
    {
        const RunningScope scope;
        m.statusText.clear();
        auto& tests = app.frmData.lblTest;
        if (tests[0].visible) {
            for (auto& label : tests) {
                label.visible = false;
            }
        }
        if (app.ContinuousMode) {
            app.StopRequested = false;
            ClearReadouts();
            while (!app.StopRequested) {
                Ui().SetBusy(true);
                AcquireSweep();
                ReportSilentBoard();
                Ui().SetBusy(false);
                m.focus = "cmdStop";
            }
        } else {
            Ui().SetBusy(true);
            ClearReadouts();
            AcquireSweep();
            ReportSilentBoard();
            Ui().SetBusy(false);
            m.focus = "cmdSingleSweep";
        }
    }
    if (AdapterLost()) {
        app.InterfaceCode = 0;
        m.txtInterface.text = "None";
        m.txtPort.text = "None";
        m.mnuUSB.checked = false;
    }
}

void cmdStop_Click() { App().StopRequested = true; }

void chkContinuous_Click() { App().ContinuousMode = App().mdiAnalyzer.chkContinuous.value != 0; }

void mnuReadTemp_Click() {
    if (ReadyToRead()) {
        ReadTemperature();
    }
}
