#include "commands/SelfTest.h"

#include "commands/Sweep.h"
#include "commands/TimePlot.h"
#include "forms/MainWindowForm.h"
#include "forms/TimePlotForm.h"
#include "platform/Canvas.h"
#include "platform/Frontend.h"
#include "platform/TextFormat.h"
#include "plots/PlotSetup.h"
#include "sensors/Acquisition.h"
#include "sensors/ControlLines.h"
#include "sensors/ReadData.h"
#include "sensors/SensorModels.h"
#include "sensors/m305.h"

#include <cmath>

namespace {

const SensorModel* ShownModel() { return FindSensorModel(mdiAnalyzer().txtDevice.text); }

bool ShowsMultiplexedBoard() {
    const SensorModel* shown = ShownModel();
    return shown != nullptr && shown->portPath == PortPath::Multiplexed;
}

void SetMuxSelfTest(double setting) {
    std::string rate = "Rate";
    SetMuxChannel(rate, setting);
}

// Lines, power-down and channel after the sample that makes samples (counted from 1) a
// quarter point of n; a point that is not a whole number of samples never comes.
void SwitchAtQuarterPoint(int32_t samples, int32_t n, TestSwitching switching) {
    auto& acq = Acquisition();
    const double done = samples;
    if (done == n / 4.0) {
        SetSelfTestPos(1);
    } else if (done == n / 2.0) {
        SetSelfTestPos(0);
        if (switching == TestSwitching::SelfTestLines) {
            SetSelfTestNeg(1);
        } else {
            acq.PowerDown = 4;
        }
    } else if (done == 3.0 * n / 4.0) {
        if (switching == TestSwitching::SelfTestLines) {
            SetSelfTestNeg(0);
        } else {
            acq.PowerDown = 0;
            acq.ChannelIndex = 1;
        }
    }
}

// An average in converter codes, and a difference (which has no zero code) likewise.
float AverageCode(float value, int ch) {
    const auto& c = Catalogue();
    return value / c.ChannelScale[static_cast<size_t>(ch)] +
           static_cast<float>(c.ChannelOffset[static_cast<size_t>(ch)]);
}
float DifferenceCode(float value) { return value / Catalogue().ChannelScale[0]; }

} // namespace

CommandResult<std::string> mnuTest_Click() {
    const ShownMessages shown;
    bool completed = false;
    auto& acq = Acquisition();
    const SensorModel* model = ChosenModel();
    const TestSwitching switching =
        model != nullptr ? model->testSwitching : TestSwitching::PowerDownAndY;
    const int16_t savedChannel = acq.ChannelIndex;
    const int16_t savedPos = acq.SelfTestPosBit;
    const int16_t savedNeg = acq.SelfTestNegBit;
    const int16_t savedPowerDown = acq.PowerDown;
    if (acq.SweepLength < kSelfTestMinSamples) {
        Ui().MsgBox("The self-test needs sweeps of at least " +
                    std::to_string(kSelfTestMinSamples) + " samples, " +
                    std::to_string(acq.SweepLength) + " are set.");
        return shown.Refused<std::string>({});
    }
    {
        const AcquisitionGuard guard = StartAcquisition();
        if (!guard) {
            return shown.Refused<std::string>(guard.Refusal());
        }
        for (auto& label : frmData().lblTest) {
            label.visible = true;
        }
        Plot().PlotX = 0;
        acq.ChannelIndex = 0;
        acq.PowerDown = 0;
        SetSelfTestPos(0);
        if (switching == TestSwitching::SelfTestLines) {
            SetSelfTestNeg(0);
        }
        Plot().PlotX = TimePlotWidth() + 1;
        // The last trace is about to be overwritten: a resize before the first sample (the
        // test labels appearing make one) must not draw it again for the test to go on from.
        Plot().PlotIndex = 0;
        ClearReadouts();
        const int32_t n = Plot().PlotSamples;
        AcquisitionListener plotAndSwitch;
        plotAndSwitch.sample = [n, switching](const AcquiredSample& sample) {
            const int32_t taken = Acquisition().SampleIndex;
            // The last sample of the sweep is not drawn.
            if (taken < n) {
                PlotRunSample(sample.code);
            }
            SwitchAtQuarterPoint(taken, n, switching);
        };
        RunAcquisition({.takeSample =
                            [] {
                                const int16_t ch = Acquisition().ChannelIndex;
                                const int32_t code = ReadChannel(ch);
                                return std::optional(AcquiredSample{code, ChannelValue(code, ch)});
                            },
                        // The trace keeps the codes it draws.
                        .keep = SampleKeeping::ValuesOnly,
                        .pause = false,
                        .paced = false,
                        .stoppable = false,
                        .listeners = {RunReadouts(), plotAndSwitch, RunAnalysis({})}});
        completed = !Acquisition().Ending;
        if (completed) {
            Calc_Test_Stats();
        }
    }
    acq.PowerDown = savedPowerDown;
    acq.ChannelIndex = savedChannel;
    SetSelfTestNeg(savedNeg);
    SetSelfTestPos(savedPos);
    return shown.Ended(completed, completed ? SelfTestReport() : std::string());
}

void Calc_Test_Stats() {
    auto& avg = SelfTest().TestAvg;
    const auto& acq = Acquisition();
    const int32_t n = acq.SweepLength;
    const auto round = [](double v) { return static_cast<int32_t>(RoundToEven(v)); };
    const int32_t q = round(n / 4.0);
    const int32_t h = round(q / 2.0);
    int32_t s = round(h / 2.0);
    avg.fill(0);
    for (int i = 1; i <= 4; ++i) {
        double sum = 0;
        for (int32_t j = 1; j <= h; ++j) {
            const int32_t index = s + j;
            if (index >= 0 && index <= kMaxSampleIndex) {
                sum += acq.Samples[static_cast<size_t>(index)];
            }
        }
        avg[static_cast<size_t>(i)] = h > 0 ? static_cast<float>(sum / h) : 0.0f;
        s += q;
    }
    Ui().ShowReport(SelfTestReport());
}

std::vector<SelfTestLine> SelfTestLines() {
    const auto& avg = SelfTest().TestAvg;
    const SensorModel* model = ChosenModel();
    if (model == nullptr) {
        return {};
    }
    if (model->kind == SensorKind::Accelerometer) {
        return {{"avg_x", "Avg X Accel = ", avg[1], AverageCode(avg[1], 0)},
                {"avg_y", "Avg Y Accel = ", avg[4], AverageCode(avg[4], 1)},
                {"self_test", "Self Test =", avg[2] - avg[1], DifferenceCode(avg[2] - avg[1])},
                {"power_down", "Powerdown = ", avg[3], AverageCode(avg[3], 0)}};
    }
    return {{"avg_before", "Avg Gyro =  ", avg[1], AverageCode(avg[1], 0)},
            {"self_test_pos", "+Self Test = ", avg[2] - avg[1], DifferenceCode(avg[2] - avg[1])},
            {"self_test_neg", " -Self Test = ", avg[3] - avg[1], DifferenceCode(avg[3] - avg[1])},
            {"avg_after", "Avg Gyro =  ", avg[4], AverageCode(avg[4], 0)}};
}

std::string SelfTestReport() {
    const SensorModel* model = ChosenModel();
    if (model == nullptr) {
        return {};
    }
    const bool accel = model->kind == SensorKind::Accelerometer;
    std::string text = accel ? "Test\t\t    G\t  Lsb\r\n" : "Test\t\t dgr/s\t  Lsb\r\n";
    text += "---------------\t-------\t-------\r\n";
    const auto lines = SelfTestLines();
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto& line = lines[i];
        text += line.label + "\t" + Format(line.value, accel ? "0.000" : "0.00") + "\t" +
                Format(line.code, "0.0");
        // The gyroscope's last line has no line end.
        if (accel || i + 1 < lines.size()) {
            text += "\r\n";
        }
    }
    return text;
}

void ckSelfTestPos_Click() {
    auto& m = mdiAnalyzer();
    if (m.ckSelfTestPos.value != 0) {
        SetCheckValue(m.ckSelfTestNeg, 0, ckSelfTestNeg_Click);
        SetSelfTestNeg(0);
        SetSelfTestPos(1);
        if (ShowsMultiplexedBoard()) {
            SetMuxSelfTest(1);
        }
    }
    if (m.ckSelfTestPos.value == 0) {
        SetSelfTestPos(0);
        if (ShowsMultiplexedBoard()) {
            SetMuxSelfTest(0);
        }
    }
}

void ckSelfTestNeg_Click() {
    auto& m = mdiAnalyzer();
    if (m.ckSelfTestNeg.value != 0) {
        SetCheckValue(m.ckSelfTestPos, 0, ckSelfTestPos_Click);
        SetSelfTestPos(0);
        SetSelfTestNeg(1);
        if (ShowsMultiplexedBoard()) {
            SetMuxSelfTest(-1);
        }
    }
    if (m.ckSelfTestNeg.value == 0) {
        SetSelfTestNeg(0);
        if (ShowsMultiplexedBoard()) {
            SetMuxSelfTest(0);
        }
    }
}

void ChkPowerdown_Click() {
    Acquisition().PowerDown = mdiAnalyzer().ChkPowerdown.value != 0 ? 4 : 0;
}
