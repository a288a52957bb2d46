// The simulated boards as the engineer works them from the "Simulator" menu: plugging the
// board and the USB adapter in and out, the signal, and trouble on the USB wire. Present only
// when the program runs on the simulated boards.
#pragma once

#include <cstdint>

class SimulatorControl {
public:
    enum class UsbFault { Fail, TimeOut, Stall };

    virtual ~SimulatorControl() = default;
    virtual bool BoardPlugged() const = 0;
    virtual void PlugBoard(bool plugged) = 0;
    // The sine's peak as a fraction of full scale, and its periods per sweep.
    virtual double Amplitude() const = 0;
    virtual void SetAmplitude(double amplitude) = 0;
    virtual double CyclesPerSweep() const = 0;
    virtual void SetCyclesPerSweep(double cycles) = 0;
    // What an active self-test line adds to the output, as a fraction of full scale.
    virtual double SelfTestShift() const = 0;
    virtual void SetSelfTestShift(double shift) = 0;
    virtual bool UsbPlugged() const = 0;
    virtual void PlugUsb(bool plugged) = 0;
    // The next count transfers to the adapters fail in this way.
    virtual void PlanUsbFaults(UsbFault kind, int count) = 0;
};

// nullptr leaves no simulator (real hardware); the caller keeps ownership.
void InstallSimulatorControl(SimulatorControl* control);
SimulatorControl* Simulator();
