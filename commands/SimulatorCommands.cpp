#include "commands/SimulatorCommands.h"

#include "app/Analyzer.h"
#include "app/TextFormat.h"
#include "platform/Frontend.h"
#include "simulator/SimBoards.h"

#include <optional>
#include <string>

namespace {

// Asks until the answer is a number in [low, high] or the user cancels.
std::optional<double> AskNumber(const std::string& prompt, const std::string& title, double now,
                                double low, double high) {
    std::string initial = GeneralText(now);
    for (;;) {
        const auto answer = Ui().InputBox(prompt, title, initial);
        if (!answer) {
            return std::nullopt;
        }
        const auto value = ParseNumber(*answer);
        if (value && *value >= low && *value <= high) {
            return value;
        }
        Ui().MsgBox("Please enter a number from " + GeneralText(low) + " to " + GeneralText(high) +
                    ".");
        initial = *answer;
    }
}

} // namespace

void ShowSimulatorMenu() {
    auto& m = App().mdiAnalyzer;
    const auto& boards = SimulatedBoards();
    m.mnuSim.visible = boards.attached;
    m.mnuSimUse.checked = boards.attached && boards.plugged;
    m.mnuSimUsbPlugged.checked = boards.attached && boards.usb.AnyPlugged();
}

void mnuSimUse_Click() {
    auto& item = App().mdiAnalyzer.mnuSimUse;
    item.checked = !item.checked;
    PlugSimulatedBoard(item.checked);
}

void mnuSimUsbPlugged_Click() {
    auto& usb = SimulatedBoards().usb;
    if (usb.AnyPlugged()) {
        usb.UnplugAll();
    } else {
        usb.ReplugAll();
    }
    ShowSimulatorMenu();
}

namespace {

void PlanUsbFaults(SimUsbFault kind, const MenuItem& item) {
    const auto count =
        AskNumber("How many of the next USB transfers:", item.caption, 1.0, 1.0, 1000.0);
    if (count) {
        SimulatedBoards().usb.PlanFaults({kind, static_cast<int>(RoundToEven(*count)), 0});
    }
}

} // namespace

void mnuSimUsbFail_Click() { PlanUsbFaults(SimUsbFault::Fail, App().mdiAnalyzer.mnuSimUsbFail); }

void mnuSimUsbTimeout_Click() {
    PlanUsbFaults(SimUsbFault::TimeOut, App().mdiAnalyzer.mnuSimUsbTimeout);
}

void mnuSimUsbStall_Click() { PlanUsbFaults(SimUsbFault::Stall, App().mdiAnalyzer.mnuSimUsbStall); }

void mnuSimMax_Click() {
    auto& sensor = SimulatedBoards().sensor;
    const auto value =
        AskNumber("Peak amplitude of the simulated signal, as a fraction of full scale:",
                  App().mdiAnalyzer.mnuSimMax.caption, sensor.Signal().amplitude, 0.0, 1.0);
    if (value) {
        SimSignal signal = sensor.Signal();
        signal.amplitude = *value;
        sensor.SetSignal(signal);
    }
}

void mnuSimFreq_Click() {
    auto& sensor = SimulatedBoards().sensor;
    SimulatedSweepLength(App().SweepLength);
    // Above half a cycle per sample the signal would only alias.
    const double nyquist = sensor.Signal().samplesPerSweep / 2.0;
    const auto value = AskNumber("Frequency of the simulated signal, in cycles per sweep:",
                                 App().mdiAnalyzer.mnuSimFreq.caption,
                                 sensor.Signal().cyclesPerSweep, 0.0, nyquist);
    if (value) {
        SimSignal signal = sensor.Signal();
        signal.cyclesPerSweep = *value;
        sensor.SetSignal(signal);
    }
}
