#include "platform/SimulatorControl.h"

namespace {
SimulatorControl* installed = nullptr;
}

void InstallSimulatorControl(SimulatorControl* control) { installed = control; }

SimulatorControl* Simulator() { return installed; }

void SimulatorControl::SetNoiseDensity(double density) {
    SimulatedNoise noise = Noise();
    noise.density = density;
    SetNoise(noise);
}

void SimulatorControl::SetBiasInstability(double instability) {
    SimulatedNoise noise = Noise();
    noise.biasInstability = instability;
    SetNoise(noise);
}

void SimulatorControl::SetRateRandomWalk(double walk) {
    SimulatedNoise noise = Noise();
    noise.rateRandomWalk = walk;
    SetNoise(noise);
}
