#include "app/Hardware.h"

#include "platform/EzUsbDriver.h"
#include "platform/EzUsbLibusb.h"
#include "platform/Hardware.h"
#include "platform/PortIo.h"
#include "platform/PortIoLinux.h"
#include "platform/SimulatorControl.h"
#include "simulator/SimBoards.h"

#include <memory>

namespace {

constexpr double kSimulatedPortAccessUs = 1.0;

std::unique_ptr<PortBackend> realPort;
std::unique_ptr<EzUsbDriver> realUsb;

// The simulated boards behind the core's interfaces.
class SimulatedHardware final : public HardwareEvents, public SimulatorControl {
public:
    void ModelChosen(const std::string& deviceName) override { SimulatedBoardFollows(deviceName); }
    void SweepLengthChanged(int32_t samples) override { SimulatedSweepLength(samples); }

    bool BoardPlugged() const override { return Boards().plugged; }
    void PlugBoard(bool plugged) override { PlugSimulatedBoard(plugged); }
    double Amplitude() const override { return Boards().sensor.Signal().amplitude; }
    void SetAmplitude(double amplitude) override {
        ChangeSignal([amplitude](SimSignal& s) { s.amplitude = amplitude; });
    }
    double CyclesPerSweep() const override { return Boards().sensor.Signal().cyclesPerSweep; }
    void SetCyclesPerSweep(double cycles) override {
        ChangeSignal([cycles](SimSignal& s) { s.cyclesPerSweep = cycles; });
    }
    double SelfTestShift() const override { return Boards().sensor.Signal().selfTestShift; }
    void SetSelfTestShift(double shift) override {
        ChangeSignal([shift](SimSignal& s) { s.selfTestShift = shift; });
    }
    SimulatedNoise Noise() const override {
        const SimNoise& n = Boards().sensor.PartNoise();
        return {n.density, n.biasInstability, n.rateRandomWalk};
    }
    void SetNoise(const SimulatedNoise& noise) override {
        const SimNoise part{noise.density, noise.biasInstability, noise.rateRandomWalk};
        const SimBoard board = Boards().sensor.Board();
        ChangeSignal(
            [&](SimSignal& s) { (board == SimBoard::Accel ? s.accelNoise : s.gyroNoise) = part; });
    }
    void UseTypicalNoise() override {
        ChangeSignal([](SimSignal& s) {
            s.accelNoise = kTypicalAccelNoise;
            s.gyroNoise = kTypicalGyroNoise;
        });
    }
    std::string NoiseUnits() const override {
        return Boards().sensor.Board() == SimBoard::Accel ? "g" : "deg/s";
    }
    double ConversionRateHz() const override { return Boards().sensor.ConversionRate(); }
    uint32_t Seed() const override { return Boards().sensor.Signal().seed; }
    void SetSeed(uint32_t seed) override {
        ChangeSignal([seed](SimSignal& s) { s.seed = seed; });
    }
    bool UsbPlugged() const override { return Boards().usb.AnyPlugged(); }
    void PlugUsb(bool plugged) override {
        if (plugged) {
            Boards().usb.ReplugAll();
        } else {
            Boards().usb.UnplugAll();
        }
    }
    void PlanUsbFaults(UsbFault kind, int count) override {
        const SimUsbFault fault = kind == UsbFault::Fail      ? SimUsbFault::Fail
                                  : kind == UsbFault::TimeOut ? SimUsbFault::TimeOut
                                                              : SimUsbFault::Stall;
        Boards().usb.PlanFaults({fault, count, 0});
    }

private:
    static SimBoardsState& Boards() { return SimulatedBoards(); }
    template <typename Change> static void ChangeSignal(Change change) {
        SimSignal signal = Boards().sensor.Signal();
        change(signal);
        Boards().sensor.SetSignal(signal);
    }
};

SimulatedHardware simulated;

} // namespace

std::string SimulatorOptionsError(const CommandLine& commandLine) {
    if (!commandLine.simulateUsbFault.empty() && !ParseSimUsbFault(commandLine.simulateUsbFault)) {
        return "a USB fault is fail, timeout or stall, a colon and a count, optionally @ and the "
               "good transfers before it: --simulate-usb-fault=" +
               commandLine.simulateUsbFault;
    }
    return {};
}

void InstallHardware(const CommandLine& commandLine) {
    if (commandLine.simulate) {
        auto& boards = SimulatedBoards();
        boards.Attach(commandLine.simulateModel);
        // A real port takes about a microsecond a register access; without it the simulated
        // accelerometers would answer faster than any board and show a period of 0.00 ms.
        boards.port.SetAccessLatency(kSimulatedPortAccessUs);
        InstallPortBackend(&boards.port);
        for (int number : commandLine.simulateAdapters) {
            boards.usb.Plug(number);
        }
        if (commandLine.simulateAmplitude >= 0) {
            simulated.SetAmplitude(commandLine.simulateAmplitude);
        }
        if (commandLine.simulateUsbTransactionMs >= 0) {
            boards.usb.SetTransactionTime(commandLine.simulateUsbTransactionMs);
        }
        if (const auto faults = ParseSimUsbFault(commandLine.simulateUsbFault)) {
            boards.usb.PlanFaults(*faults);
        }
        if (commandLine.simulateUsbUnplugAfter >= 0) {
            std::optional<SimEzUsbDriver::Milliseconds> back;
            if (commandLine.simulateUsbReplugMs >= 0) {
                back = SimEzUsbDriver::Milliseconds(commandLine.simulateUsbReplugMs);
            }
            boards.usb.PlanUnplug(commandLine.simulateUsbUnplugAfter, back);
        }
        InstallEzUsbDriver(&boards.usb);
        InstallHardwareEvents(&simulated);
        InstallSimulatorControl(&simulated);
        return;
    }
#ifdef __linux__
    realPort = commandLine.directIo ? MakeDirectIoBackend() : MakePpdevBackend();
    realUsb = MakeLibusbEzUsbDriver();
#endif
    InstallPortBackend(realPort.get());
    InstallEzUsbDriver(realUsb.get());
}

void RemoveHardware() {
    InstallPortBackend(nullptr);
    realPort.reset();
    InstallEzUsbDriver(nullptr);
    realUsb.reset();
    InstallHardwareEvents(nullptr);
    InstallSimulatorControl(nullptr);
    SimulatedBoards().Detach();
}
