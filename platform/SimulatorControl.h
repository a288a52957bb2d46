// The simulated boards as the engineer works them from the "Simulator" menu: plugging the
// board and the USB adapter in and out, the signal, and trouble on the USB wire. Present only
// when the program runs on the simulated boards.
#pragma once

#include <cstdint>
#include <string>

// The noise of the simulated part, in its output's units (g, deg/s): white noise of a
// one-sided amplitude density (units/sqrt(Hz)), the bias instability (units, the flat floor of
// the Allan deviation over 0.664) and the rate random walk (units * sqrt(Hz)).
struct SimulatedNoise {
    double density = 0;
    double biasInstability = 0;
    double rateRandomWalk = 0;
};

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
    // The noise of the plugged board's part, in NoiseUnits(); each kind of board (accelerometer,
    // gyroscope) keeps its own. Typical noise is what the program starts with.
    virtual SimulatedNoise Noise() const = 0;
    virtual void SetNoise(const SimulatedNoise& noise) = 0;
    virtual void UseTypicalNoise() = 0;
    virtual std::string NoiseUnits() const = 0;
    double NoiseDensity() const { return Noise().density; }
    void SetNoiseDensity(double density);
    double BiasInstability() const { return Noise().biasInstability; }
    void SetBiasInstability(double instability);
    double RateRandomWalk() const { return Noise().rateRandomWalk; }
    void SetRateRandomWalk(double walk);
    // The board's own conversion rate, Hz: the white noise per conversion is
    // density * sqrt(rate / 2), whatever the host's speed.
    virtual double ConversionRateHz() const = 0;
    // Where the signal's noise starts again: the same seed gives the same samples.
    virtual uint32_t Seed() const = 0;
    virtual void SetSeed(uint32_t seed) = 0;
    double SeedNumber() const { return Seed(); }
    void SetSeedNumber(double seed) { SetSeed(static_cast<uint32_t>(seed + 0.5)); }
    virtual bool UsbPlugged() const = 0;
    virtual void PlugUsb(bool plugged) = 0;
    // The next count transfers to the adapters fail in this way.
    virtual void PlanUsbFaults(UsbFault kind, int count) = 0;
};

// nullptr leaves no simulator (real hardware); the caller keeps ownership.
void InstallSimulatorControl(SimulatorControl* control);
SimulatorControl* Simulator();
