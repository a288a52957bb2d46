// The simulated sensor and its converters, shared by the simulated parallel-port boards and
// the simulated USB adapter. Which board is plugged in and what signal it sees are the
// simulator's configuration; what it answers depends only on that and on the lines driven.
#pragma once

#include <cstdint>
#include <random>
#include <string>

// The noise of a typical part on its output, in the output's units: g for an accelerometer,
// deg/s for a gyroscope. Generated per conversion at the board's conversion rate and
// quantised with the signal.
struct SimNoise {
    // White noise of this one-sided amplitude density (units/sqrt(Hz)): a conversion at rate fs
    // sees a standard deviation of density * sqrt(fs / 2).
    double density = 0;
    // Flicker noise whose Allan deviation has a floor of 0.664 * biasInstability (units).
    double biasInstability = 0;
    // A random walk of the output, K (units * sqrt(Hz)): Allan deviation K * sqrt(tau / 3).
    double rateRandomWalk = 0;
};

// Typical parts: 250 ug/sqrt(Hz) for the accelerometers; 0.05 deg/s/sqrt(Hz), a bias
// instability of 0.005 deg/s (18 deg/h) and a rate random walk of 5e-5 deg/s*sqrt(Hz)
// (11 deg/h/sqrt(h)) for the gyroscopes.
inline constexpr SimNoise kTypicalAccelNoise{250e-6, 0, 0};
inline constexpr SimNoise kTypicalGyroNoise{0.05, 0.005, 5e-5};

// The signal every channel of the sensor sees.
struct SimSignal {
    double amplitude = 0.25;     // peak of the sine, as a fraction of full scale
    double cyclesPerSweep = 4.0; // sine periods in samplesPerSweep conversions of one input
    int32_t samplesPerSweep = 2048;
    double noiseCodes = 1.5; // standard deviation of the converter's own noise, in 12-bit codes
    // The part's noise on the sensing channels, by the kind of board. None by default, for a
    // clean sine; the program starts the simulated boards with the typical parts' noise.
    SimNoise accelNoise;
    SimNoise gyroNoise;
    uint32_t seed = 20261206;
    double temperatureC = 25.0;
    // What an active self-test line adds, as a fraction of full scale: on a gyroscope a rate
    // step (0.08 is 32 deg/s on KXS306, 80 on KXS307; the negative line steps down), on an
    // accelerometer a shift of the X axis alone (0.4 G on KXS201, 1.28 G on KXS202).
    double selfTestShift = 0.08;
};

// The boards behind the model names.
enum class SimBoard { None, Accel, Mux, Gyro };
SimBoard SimBoardFor(const std::string& deviceName);

// Inputs of the model-3 multiplexer.
enum class SimMuxInput { Rate, Adc1, Adc2, Temper };

class SimSensor {
public:
    SimSensor();

    void SetModel(const std::string& deviceName);
    const std::string& Model() const { return model_; }
    SimBoard Board() const { return board_; }
    void SetSignal(const SimSignal& signal);
    const SimSignal& Signal() const { return signal_; }
    // Starts time and noise again from the seed.
    void Restart();
    // The time a sample takes on the wire that reads it (the parallel board's accesses and the
    // gyroscope converter's wait, or the adapter's transaction), per kind of converter: the
    // board's own conversion rate, which sets the white noise per conversion.
    void SetConversionTimes(double accelSeconds, double gyroSeconds);
    double ConversionRate() const;
    // The part noise of the board plugged in (none without one), and the output units per
    // converter code of its model (0 for an unknown model).
    const SimNoise& PartNoise() const;
    double UnitsPerCode() const;
    // Every conversion is the channel's next sample, but within a transaction of the adapter
    // only the first: its converters answer a word late, so it converts a channel twice in
    // one transaction, and both are the same sample.
    void BeginTransaction() {
        ++transaction_;
        inTransaction_ = true;
    }
    void EndTransaction() { inTransaction_ = false; }

    // Self-test lines (on a gyroscope they push the rate output up or down; an accelerometer
    // has only the positive one) and the accelerometer's power-down input: powered down, its
    // converter idles and every conversion reads 0.
    void SetSelfTest(bool positive, bool negative);
    void SetPowerDown(bool on);

    // One conversion of the gyroscope converter (models 4 and 5, and model 3 on the adapter):
    // address 0 rate, 1 temperature, 2 and 3 auxiliary inputs. 12 bits.
    int ConvertGyro(int address);
    // One conversion of the accelerometer converter: axis 0 X, 1 Y. 12 bits.
    int ConvertAccel(int axis);
    // One conversion of the model-3 converter. 14 bits.
    int ConvertMux(SimMuxInput input, int selfTest);
    // The accelerometer boards' temperature sensor as clocked out: a 10-bit two's-complement
    // value of 0.25 degrees per step in bits 14..5 of a 16-bit word.
    int TemperatureWord() const;

    // The gyroscope's temperature channel: code 2048 at 25 degrees.
    static constexpr int kGyroTemperatureOffset = 2048;
    static constexpr double kGyroCodesPerDegree = 6.88;

private:
    // Signal of one channel in volts-like units: fraction of full scale around midscale.
    double Wave(int channel);
    int Code(double fraction, int bits, double noiseScale);
    // The part noise of the next conversion of a sensing channel, as a fraction of full scale.
    // dt: the time since the channel's last conversion.
    double NextPartNoise(int channel, double dt);

    std::string model_ = "None";
    SimBoard board_ = SimBoard::None;
    SimSignal signal_;
    bool selfTestPos_ = false;
    bool selfTestNeg_ = false;
    bool powerDown_ = false;
    int64_t samples_[4] = {};
    int64_t transaction_ = 0;
    bool inTransaction_ = false;
    int64_t lastTransaction_[4] = {-1, -1, -1, -1};
    std::mt19937 rng_;
    std::normal_distribution<double> noise_{0.0, 1.0};

    // Flicker as a sum of first-order Gauss-Markov processes, one per decade of correlation
    // time from 0.01 s to 100 000 s, so that the floor holds over an overnight run's taus;
    // and the random walk. Per sensing channel (gyroscopes have one, accelerometers two).
    static constexpr int kFlickerPoles = 8;
    // The poles beyond the first six draw from a stream of their own, which leaves the
    // samples of a short run as they were before those poles were added.
    static constexpr int kFastFlickerPoles = 6;
    double accelSeconds_ = 0;
    double gyroSeconds_ = 0;
    std::mt19937 partRng_;
    std::mt19937 slowPoleRng_;
    double flicker_[2][kFlickerPoles] = {};
    double walk_[2] = {};
    double partNoise_[2] = {};              // of the conversion being answered
    double lastTime_[4] = {-1, -1, -1, -1}; // of each channel's last conversion, fast time
    double poleStep_ = 0; // the step poleDecay_ and poleDrive_ were worked out for
    double poleDecay_[kFlickerPoles] = {};
    double poleDrive_[kFlickerPoles] = {};
};
