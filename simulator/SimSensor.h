// The simulated sensor and its converters, shared by the simulated parallel-port boards and
// the simulated USB adapter. Which board is plugged in and what signal it sees are the
// simulator's configuration; what it answers depends only on that and on the lines driven.
#pragma once

#include <cstdint>
#include <random>
#include <string>

// The signal every channel of the sensor sees.
struct SimSignal {
    double amplitude = 0.25;     // peak of the sine, as a fraction of full scale
    double cyclesPerSweep = 4.0; // sine periods in samplesPerSweep conversions of one input
    int32_t samplesPerSweep = 2048;
    double noiseCodes = 1.5; // standard deviation of the noise, in 12-bit codes
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
};
