#include "commands/Sweep.h"

#include "analysis/Spectrum.h"
#include "commands/NoiseAnalysis.h"
#include "commands/SpectrumWindow.h"
#include "commands/TimePlot.h"
#include "forms/MainWindowForm.h"
#include "forms/TimePlotForm.h"
#include "interfaces/Interface.h"
#include "interfaces/UsbSpiDrivers.h"
#include "platform/Canvas.h"
#include "platform/Frontend.h"
#include "platform/Hardware.h"
#include "platform/PortIo.h"
#include "platform/TextFormat.h"
#include "plots/PlotSetup.h"
#include "sensors/Acquisition.h"
#include "sensors/ReadData.h"
#include "sensors/SensorModels.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace {

// An interface and a model are chosen, and the port, when it is the interface, is open.
bool ReadyToRead() {
    auto& m = mdiAnalyzer();
    const int16_t interfaceCode = Interface().InterfaceCode;
    if (interfaceCode == kNoInterface) {
        Ui().MsgBox("Please select an interface first");
        m.txtInterface.text = "None";
        m.txtPort.text = "None";
        return false;
    }
    if (Catalogue().DeviceName == "None") {
        Ui().MsgBox("Please select a device first");
        m.txtDevice.text = "None";
        return false;
    }
    // Without access every read would give the missing-board pattern, looking like data.
    if (interfaceCode == kParallelInterface && !PortIsOpen()) {
        Ui().MsgBox("The parallel port at " + HexText16(Interface().PortAddress) +
                    " is not open, so no data can be taken.\nChoose Parallel Port in the "
                    "Interface menu to try again.");
        return false;
    }
    return true;
}

// With no board the lines read as one rail for every sample, and the sweep would look like
// a real, if odd, signal (-200.05 deg/s).
std::string SilentBoardText() {
    const auto& acq = Acquisition();
    const int32_t n = std::min(acq.SamplesTaken, kMaxSampleIndex);
    // A powered-down accelerometer reads 0 on purpose.
    const SensorModel* model = ChosenModel();
    const bool poweredDown =
        acq.PowerDown > 0 && model != nullptr && model->kind == SensorKind::Accelerometer;
    if (n <= 0 || poweredDown) {
        return {};
    }
    const auto first = acq.RawCodes.begin() + 1;
    const int32_t code = *first;
    if ((code != 0 && code != ConverterFullScaleCode()) ||
        !std::all_of(first, first + n, [code](int32_t c) { return c == code; })) {
        return {};
    }
    return std::string(kSilentBoardStatus) + ": every sample of the sweep reads " +
           std::to_string(code) +
           ". Check that it is plugged in and powered, and that the interface, port and device "
           "are the right ones.";
}

// Said once in the status line, not in a box that would halt a continuous run; taken back
// when the board answers again.
void ReportSilentBoard() {
    auto& status = mdiAnalyzer().statusText;
    const std::string text = SilentBoardText();
    if (!text.empty() && status.empty()) {
        status = text;
    } else if (text.empty()) {
        ClearStatusAbout(kSilentBoardStatus);
    }
}

// One sample of the selected channel.
std::optional<AcquiredSample> TakeSweepSample() {
    const int16_t ch = Acquisition().ChannelIndex;
    const int32_t code = ReadChannel(ch);
    // A failed transfer leaves the last answer in place: that is no new sample.
    if (AdapterLost()) {
        return std::nullopt;
    }
    return AcquiredSample{code, ChannelValue(code, ch)};
}

// The commands that start an acquisition.
void EnableStarts(bool enabled) {
    auto& m = mdiAnalyzer();
    m.cmdSingleSweep.enabled = enabled;
    m.cmdLogData.enabled = enabled;
    m.mnuTest.enabled = enabled;
}

} // namespace

bool SetupOK() {
    auto& acq = Acquisition();
    auto& m = mdiAnalyzer();
    if (!ReadyToRead()) {
        return false;
    }
    if (!m.txtLoopDelay.text.empty()) {
        // A typo would otherwise run with no delay at all, or a shorter one.
        const auto delay = ParseNumber(m.txtLoopDelay.text);
        if (!delay) {
            Ui().MsgBox("The Read Delay \"" + m.txtLoopDelay.text +
                        "\" is not a number. Give the wait between samples in milliseconds, "
                        "from 0 to 60000.");
            m.txtLoopDelay.text = Format(acq.LoopDelayMs, "0.00");
            return false;
        }
        acq.LoopDelayMs = static_cast<float>(*delay);
    }
    // The negated test also turns a NaN into 0.
    if (!(acq.LoopDelayMs >= 0.0f)) {
        acq.LoopDelayMs = 0.0f;
    }
    if (acq.LoopDelayMs > 60000.0f) {
        acq.LoopDelayMs = 60000.0f;
    }
    m.txtLoopDelay.text = Format(acq.LoopDelayMs, "0.00");
    return true;
}

AcquisitionGuard StartAcquisition() {
    return TryStartAcquisition({.ready = SetupOK, .startsEnabled = EnableStarts});
}

AcquisitionListener RunReadouts() {
    AcquisitionListener readouts;
    readouts.start = ShowTimePlot;
    readouts.end = [](const AcquisitionEnd&) {
        frmData().lblTsample.caption = Format(Acquisition().SamplePeriod * 1000.0, "0.00");
    };
    return readouts;
}

AcquisitionListener RunAnalysis(std::function<void()> afterStatistics) {
    AcquisitionListener analysis;
    analysis.end = [afterStatistics = std::move(afterStatistics)](const AcquisitionEnd& end) {
        int32_t count = Acquisition().SamplesTaken;
        ComputeStatistics(count);
        if (afterStatistics) {
            afterStatistics();
        }
        // A run that was stopped has no spectrum: its tail would be an older sweep's.
        if (end.completed && Spectrum().FftOn) {
            RunSpectrum();
        }
    };
    return analysis;
}

void DropLostAdapter() {
    if (AdapterLost()) {
        auto& m = mdiAnalyzer();
        Interface().InterfaceCode = kNoInterface;
        m.txtInterface.text = "None";
        m.txtPort.text = "None";
        m.mnuUSB.checked = false;
        m.statusText = AdapterDroppedText();
    }
}

void BeginPass() {
    Plot().PlotX = 0;
    // The last trace is about to be overwritten: a resize before the first sample must not
    // redraw it up to the edge, which would keep this pass from drawing.
    Plot().PlotIndex = 0;
    Hardware().SweepLengthChanged(Acquisition().SweepLength);
    ReadTemperature();
}

bool AcquireSweep() {
    auto& acq = Acquisition();
    BeginPass();
    // The converters answer one transfer late: the first code belongs to the last channel read.
    ReadChannel(acq.ChannelIndex);
    AcquisitionListener plot;
    plot.sample = [](const AcquiredSample& sample) {
        if (NextSampleFits()) {
            PlotRunSample(sample.code);
        }
    };
    const bool completed =
        RunAcquisition({.takeSample = TakeSweepSample,
                        .listeners = {RunReadouts(), plot, NoiseCollectListener(),
                                      RunAnalysis([] { ReadTemperature(); })}});
    // A stopped sweep's tail would be an older sweep's.
    if (completed) {
        const auto ch = static_cast<size_t>(std::clamp<int16_t>(acq.ChannelIndex, 0, 8));
        CollectSweep({acq.Samples.data(), static_cast<size_t>(acq.SamplesTaken)}, acq.SampleRateHz,
                     Catalogue().ChannelUnits[ch]);
    }
    return completed;
}

CommandResult<SweepsTaken> cmdSingleSweep_Click() {
    const ShownMessages shown;
    auto& acq = Acquisition();
    auto& m = mdiAnalyzer();
    SweepsTaken taken;
    bool completed = true;
    {
        const AcquisitionGuard guard = StartAcquisition();
        if (!guard) {
            return shown.Refused<SweepsTaken>(guard.Refusal());
        }
        m.statusText.clear();
        auto& tests = frmData().lblTest;
        if (tests[0].visible) {
            for (auto& label : tests) {
                label.visible = false;
            }
        }
        if (acq.ContinuousMode) {
            ClearReadouts();
            RepeatUntilStop(
                [&m, &taken, &completed] {
                    Ui().SetBusy(true);
                    completed = AcquireSweep();
                    ++taken.sweeps;
                    ReportSilentBoard();
                    Ui().SetBusy(false);
                    m.focus = "cmdStop";
                },
                [] { return true; });
        } else {
            Ui().SetBusy(true);
            ClearReadouts();
            completed = AcquireSweep();
            ++taken.sweeps;
            ReportSilentBoard();
            Ui().SetBusy(false);
            m.focus = "cmdSingleSweep";
        }
    }
    taken.samples = acq.SamplesTaken;
    if (completed && Spectrum().FftOn) {
        const auto& s = Spectrum();
        if (SpectrumPoints(static_cast<size_t>(std::max(acq.SweepLength, 0))) == 0) {
            taken.noSpectrum = kSpectrumTooShort;
        } else {
            taken.peak = SpectrumPeak{s.FftPeakIndex, s.FftPeakFreq, s.FftPeakValue};
        }
    }
    const bool lost = AdapterLost();
    DropLostAdapter();
    const std::string silent = SilentBoardText();
    if (lost || !silent.empty()) {
        return {Outcome::Failed, lost ? m.statusText : silent, taken};
    }
    return shown.Ended(completed, taken);
}

void cmdStop_Click() {
    ++Acquisition().StopClicks;
    Acquisition().StopRequested = true;
}

void chkContinuous_Click() {
    Acquisition().ContinuousMode = mdiAnalyzer().chkContinuous.value != 0;
}

CommandResult<float> mnuReadTemp_Click() {
    const ShownMessages shown;
    if (!ReadyToRead()) {
        return shown.Refused<float>({});
    }
    return shown.Ended(true, ReadTemperature());
}
