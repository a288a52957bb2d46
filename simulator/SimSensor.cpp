#include "simulator/SimSensor.h"

#include "platform/Clock.h"
#include "platform/ConverterWords.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Where each input sits at rest, as a fraction of full scale.
constexpr double kRestLevel[4] = {0.50, 0.48, 0.25, 0.75};

// Output units (g, deg/s) per code of each model's sensing channels.
struct ModelScale {
    const char* name;
    double unitsPerCode;
    int bits;
};
constexpr ModelScale kScales[] = {{"KXS201", 1.0 / 820, 12},
                                  {"KXS202", 1.0 / 256, 12},
                                  {"KXS305", 1.0 / 81.92, 14},
                                  {"KXS306", 1.0 / 10.2375, 12},
                                  {"KXS307", 1.0 / 4.095, 12}};

const ModelScale* ScaleOf(const std::string& model) {
    for (const auto& scale : kScales) {
        if (model == scale.name) {
            return &scale;
        }
    }
    return nullptr;
}

// Shortest correlation time of the flicker poles, s; each next one is ten times longer.
constexpr double kFirstFlickerPole = 0.01;
// The Allan deviation floor of the poles' sum, per unit standard deviation of each pole.
constexpr double kFlickerFloorPerSigma = 0.77;
constexpr SimNoise kNoNoise{};

} // namespace

SimBoard SimBoardFor(const std::string& deviceName) {
    if (deviceName == "KXS201" || deviceName == "KXS202") {
        return SimBoard::Accel;
    }
    if (deviceName == "KXS305") {
        return SimBoard::Mux;
    }
    if (deviceName == "KXS306" || deviceName == "KXS307") {
        return SimBoard::Gyro;
    }
    return SimBoard::None;
}

SimSensor::SimSensor() { Restart(); }

void SimSensor::SetModel(const std::string& deviceName) {
    model_ = deviceName;
    board_ = SimBoardFor(deviceName);
}

void SimSensor::SetSignal(const SimSignal& signal) {
    signal_ = signal;
    signal_.samplesPerSweep = std::max(1, signal_.samplesPerSweep);
    signal_.noiseCodes = std::max(0.0, signal_.noiseCodes);
    Restart();
}

void SimSensor::Restart() {
    rng_.seed(signal_.seed);
    noise_.reset();
    // Its own stream, so the converter noise is the same with or without the part's.
    partRng_.seed(signal_.seed ^ 0x5EEDu);
    slowPoleRng_.seed(signal_.seed ^ 0x510Eu);
    std::fill(&flicker_[0][0], &flicker_[0][0] + 2 * kFlickerPoles, 0.0);
    std::fill(std::begin(walk_), std::end(walk_), 0.0);
    std::fill(std::begin(partNoise_), std::end(partNoise_), 0.0);
    std::fill(std::begin(lastTime_), std::end(lastTime_), -1.0);
    poleStep_ = 0;
    std::fill(std::begin(samples_), std::end(samples_), 0);
    std::fill(std::begin(lastTransaction_), std::end(lastTransaction_), -1);
}

void SimSensor::SetConversionTimes(double accelSeconds, double gyroSeconds) {
    accelSeconds_ = std::max(0.0, accelSeconds);
    gyroSeconds_ = std::max(0.0, gyroSeconds);
}

double SimSensor::ConversionRate() const {
    const double seconds = board_ == SimBoard::Accel ? accelSeconds_ : gyroSeconds_;
    return seconds > 0 ? 1.0 / seconds : 0.0;
}

const SimNoise& SimSensor::PartNoise() const {
    switch (board_) {
    case SimBoard::Accel:
        return signal_.accelNoise;
    case SimBoard::Mux:
    case SimBoard::Gyro:
        return signal_.gyroNoise;
    case SimBoard::None:
        break;
    }
    return kNoNoise;
}

double SimSensor::UnitsPerCode() const {
    const ModelScale* scale = ScaleOf(model_);
    return scale != nullptr ? scale->unitsPerCode : 0.0;
}

double SimSensor::NextPartNoise(int channel, double dt) {
    const SimNoise& part = PartNoise();
    const ModelScale* scale = ScaleOf(model_);
    const double rate = ConversionRate();
    if (scale == nullptr || rate <= 0 ||
        (part.density <= 0 && part.biasInstability <= 0 && part.rateRandomWalk <= 0)) {
        return 0.0;
    }
    std::normal_distribution<double> normal;
    // The converter's bandwidth sets the white noise; the slow processes follow the time.
    double units = part.density * std::sqrt(rate / 2.0) * normal(partRng_);
    if (part.biasInstability > 0) {
        if (std::abs(dt - poleStep_) > 1e-9 * dt) {
            poleStep_ = dt;
            double tau = kFirstFlickerPole;
            for (int p = 0; p < kFlickerPoles; ++p, tau *= 10.0) {
                poleDecay_[p] = std::exp(-dt / tau);
                poleDrive_[p] = std::sqrt(1.0 - poleDecay_[p] * poleDecay_[p]);
            }
        }
        const double sigma = 0.664 * part.biasInstability / kFlickerFloorPerSigma;
        for (int p = 0; p < kFlickerPoles; ++p) {
            double& pole = flicker_[channel][p];
            std::mt19937& rng = p < kFastFlickerPoles ? partRng_ : slowPoleRng_;
            pole = poleDecay_[p] * pole + sigma * poleDrive_[p] * normal(rng);
            units += pole;
        }
    }
    if (part.rateRandomWalk > 0) {
        walk_[channel] += part.rateRandomWalk * std::sqrt(dt) * normal(partRng_);
        units += walk_[channel];
    }
    return units / scale->unitsPerCode / (1 << scale->bits);
}

void SimSensor::SetSelfTest(bool positive, bool negative) {
    selfTestPos_ = positive;
    selfTestNeg_ = negative;
}

void SimSensor::SetPowerDown(bool on) { powerDown_ = on; }

double SimSensor::Wave(int channel) {
    if (!inTransaction_) {
        ++transaction_;
    }
    if (lastTransaction_[channel] != transaction_) {
        lastTransaction_[channel] = transaction_;
        ++samples_[channel];
        const double period = ConversionRate() > 0 ? 1.0 / ConversionRate() : 0.0;
        double dt = period;
        if (FastClock* fast = FastTime(); fast != nullptr && period > 0) {
            // In fast time a conversion takes the board's period, and a paced or delayed
            // run's slow noise moves on with the time between its conversions.
            fast->Convert(period);
            if (lastTime_[channel] >= 0) {
                dt = std::max(period, fast->Now() - lastTime_[channel]);
            }
            lastTime_[channel] = fast->Now();
        }
        if (channel < 2) {
            partNoise_[channel] = NextPartNoise(channel, dt);
        }
    }
    const double n = static_cast<double>(samples_[channel] - 1);
    const double phase =
        2.0 * std::numbers::pi * signal_.cyclesPerSweep * n / signal_.samplesPerSweep;
    const double part = channel < 2 ? partNoise_[channel] : 0.0;
    return kRestLevel[channel] + 0.5 * signal_.amplitude * std::sin(phase) + part;
}

int SimSensor::Code(double fraction, int bits, double noiseScale) {
    const int full = 1 << bits;
    double code = fraction * full;
    if (signal_.noiseCodes > 0 && noiseScale > 0) {
        code += noise_(rng_) * signal_.noiseCodes * noiseScale;
    }
    return std::clamp(static_cast<int>(std::lround(code)), 0, full - 1);
}

int SimSensor::ConvertGyro(int address) {
    switch (address & 3) {
    case words::kGyroRate: {
        double level = Wave(0);
        level += selfTestPos_ ? signal_.selfTestShift : 0.0;
        level -= selfTestNeg_ ? signal_.selfTestShift : 0.0;
        return Code(level, words::kCodeBits, 1.0);
    }
    case words::kGyroTemperature: {
        const double code =
            kGyroTemperatureOffset + (signal_.temperatureC - 25.0) * kGyroCodesPerDegree;
        return Code(code / (1 << words::kCodeBits), words::kCodeBits, 0.0);
    }
    default:
        return Code(kRestLevel[address & 3], words::kCodeBits, 1.0);
    }
}

int SimSensor::ConvertAccel(int axis) {
    if (powerDown_) {
        return 0;
    }
    const int channel = axis & 1;
    const bool shifted = selfTestPos_ && channel == 0;
    const double level = Wave(channel) + (shifted ? signal_.selfTestShift : 0.0);
    return Code(level, words::kCodeBits, 1.0);
}

int SimSensor::ConvertMux(SimMuxInput input, int selfTest) {
    switch (input) {
    case SimMuxInput::Rate:
        return Code(Wave(0) + signal_.selfTestShift * std::clamp(selfTest, -1, 1),
                    words::kMuxCodeBits, 4.0);
    case SimMuxInput::Adc1:
        return Code(kRestLevel[2], words::kMuxCodeBits, 4.0);
    case SimMuxInput::Adc2:
        return Code(kRestLevel[3], words::kMuxCodeBits, 4.0);
    case SimMuxInput::Temper:
        // The board reads kelvin at 0.0339 per code, with a 25 degree offset of its own.
        return std::clamp(
            static_cast<int>(std::lround((signal_.temperatureC + 248.15) / 0.033908420138)), 0,
            (1 << words::kMuxCodeBits) - 1);
    }
    return 0;
}

int SimSensor::TemperatureWord() const {
    const int steps = static_cast<int>(std::lround(signal_.temperatureC / 0.25));
    constexpr int kHalf = 1 << (words::kTempBits - 1);
    return (std::clamp(steps, -kHalf, kHalf - 1) & (2 * kHalf - 1)) << words::kTempShift;
}
