#include "commands/SimulatorCommands.h"

#include "forms/MainWindowForm.h"
#include "platform/Frontend.h"
#include "platform/Hardware.h"
#include "platform/SimulatorControl.h"
#include "platform/TextFormat.h"
#include "sensors/Acquisition.h"

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

void PlanUsbFaults(SimulatorControl::UsbFault kind, const MenuItem& item) {
    if (SimulatorControl* sim = Simulator()) {
        const auto count =
            AskNumber("How many of the next USB transfers:", item.caption, 1.0, 1.0, 1000.0);
        if (count) {
            sim->PlanUsbFaults(kind, static_cast<int>(RoundToEven(*count)));
        }
    }
}

// One number of the simulated signal, from 0 to high.
void AskSignal(const std::string& prompt, const MenuItem& item,
               double (SimulatorControl::*get)() const, void (SimulatorControl::*set)(double),
               double high) {
    if (SimulatorControl* sim = Simulator()) {
        if (const auto value = AskNumber(prompt, item.caption, (sim->*get)(), 0.0, high)) {
            (sim->*set)(*value);
        }
    }
}

} // namespace

void ShowSimulatorMenu() {
    auto& m = mdiAnalyzer();
    const SimulatorControl* sim = Simulator();
    m.mnuSim.visible = sim != nullptr;
    m.mnuSimUse.checked = sim != nullptr && sim->BoardPlugged();
    m.mnuSimUsbPlugged.checked = sim != nullptr && sim->UsbPlugged();
}

void mnuSimUse_Click() {
    if (SimulatorControl* sim = Simulator()) {
        sim->PlugBoard(!sim->BoardPlugged());
    }
    ShowSimulatorMenu();
}

void mnuSimUsbPlugged_Click() {
    if (SimulatorControl* sim = Simulator()) {
        sim->PlugUsb(!sim->UsbPlugged());
    }
    ShowSimulatorMenu();
}

void mnuSimUsbFail_Click() {
    PlanUsbFaults(SimulatorControl::UsbFault::Fail, mdiAnalyzer().mnuSimUsbFail);
}

void mnuSimUsbTimeout_Click() {
    PlanUsbFaults(SimulatorControl::UsbFault::TimeOut, mdiAnalyzer().mnuSimUsbTimeout);
}

void mnuSimUsbStall_Click() {
    PlanUsbFaults(SimulatorControl::UsbFault::Stall, mdiAnalyzer().mnuSimUsbStall);
}

void mnuSimMax_Click() {
    AskSignal("Peak amplitude of the simulated signal, as a fraction of full scale:",
              mdiAnalyzer().mnuSimMax, &SimulatorControl::Amplitude,
              &SimulatorControl::SetAmplitude, 1.0);
}

void mnuSimFreq_Click() {
    const int32_t samples = Acquisition().SweepLength;
    Hardware().SweepLengthChanged(samples);
    // Above half a cycle per sample the signal would only alias.
    AskSignal("Frequency of the simulated signal, in cycles per sweep:", mdiAnalyzer().mnuSimFreq,
              &SimulatorControl::CyclesPerSweep, &SimulatorControl::SetCyclesPerSweep,
              samples / 2.0);
}

void mnuSimSelfTest_Click() {
    AskSignal("Output shift of an active self-test line, as a fraction of full scale (the X "
              "axis of an accelerometer, the rate of a gyroscope):",
              mdiAnalyzer().mnuSimSelfTest, &SimulatorControl::SelfTestShift,
              &SimulatorControl::SetSelfTestShift, 0.5);
}

void mnuSimNoise_Click() {
    if (const SimulatorControl* sim = Simulator()) {
        AskSignal("White-noise density of the simulated part, one-sided, in " + sim->NoiseUnits() +
                      "/sqrt(Hz) (0 for none):",
                  mdiAnalyzer().mnuSimNoise, &SimulatorControl::NoiseDensity,
                  &SimulatorControl::SetNoiseDensity, 10.0);
    }
}

void mnuSimBias_Click() {
    if (const SimulatorControl* sim = Simulator()) {
        AskSignal("Bias instability of the simulated part, in " + sim->NoiseUnits() +
                      " (the Allan deviation's floor is 0.664 of it; 0 for none):",
                  mdiAnalyzer().mnuSimBias, &SimulatorControl::BiasInstability,
                  &SimulatorControl::SetBiasInstability, 10.0);
    }
}

void mnuSimWalk_Click() {
    if (const SimulatorControl* sim = Simulator()) {
        AskSignal("Rate random walk of the simulated part, in " + sim->NoiseUnits() +
                      "*sqrt(Hz) (0 for none):",
                  mdiAnalyzer().mnuSimWalk, &SimulatorControl::RateRandomWalk,
                  &SimulatorControl::SetRateRandomWalk, 10.0);
    }
}

void mnuSimSeed_Click() {
    AskSignal("Seed of the simulated noise (a whole number; the same seed gives the same samples):",
              mdiAnalyzer().mnuSimSeed, &SimulatorControl::SeedNumber,
              &SimulatorControl::SetSeedNumber, 4294967295.0);
}
