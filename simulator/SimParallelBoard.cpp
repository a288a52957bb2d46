#include "simulator/SimParallelBoard.h"

#include "platform/Clock.h"
#include "platform/ConverterWords.h"
#include "platform/ParallelPortLines.h"

#include <chrono>

namespace {

using namespace lines;
using namespace words;

// Clocks (counted from 1) that carry the code's most significant bit.
constexpr int kGyroFirstCodeClock = 4;
constexpr int kAccelFirstCodeClock = 5;
// Rising edges after the converter line rises before the model-3 code's first bit.
constexpr int kMuxFirstCodeEdge = 6;

// The board's conversion: a 16-clock transfer is 51 register accesses, and the converter
// needs 100 us after it (the program waits that long); without a simulated access time the
// board keeps the time of a real port, 1 us per access: 6.62 kHz.
constexpr int kAccessesPerConversion = 51;
constexpr double kConversionSeconds = 100e-6;
constexpr double kRealAccessSeconds = 1e-6;

bool Rose(bool before, bool now) { return !before && now; }
bool Fell(bool before, bool now) { return before && !now; }

} // namespace

SimParallelBoard::SimParallelBoard(SimSensor& sensor) : sensor_(sensor) { SetAccessLatency(0); }

bool SimParallelBoard::Open(uint16_t, std::string&) { return true; }

void SimParallelBoard::Close() {}

void SimParallelBoard::SetAccessLatency(double microseconds) {
    latencySeconds_ = microseconds > 0 ? microseconds * 1e-6 : 0.0;
    const double access = latencySeconds_ > 0 ? latencySeconds_ : kRealAccessSeconds;
    // Both transfers take 51 accesses; the gyroscope converter then needs its 100 us.
    accelSeconds_ = kAccessesPerConversion * access;
    gyroSeconds_ = accelSeconds_ + kConversionSeconds;
    sensor_.SetConversionTimes(accelSeconds_, gyroSeconds_);
}

void SimParallelBoard::Wait() const {
    // In fast time the conversion moves the clock instead.
    if (latencySeconds_ <= 0 || FastTime() != nullptr) {
        return;
    }
    using clock = std::chrono::steady_clock;
    const auto end = clock::now() + std::chrono::duration<double>(latencySeconds_);
    while (clock::now() < end) {
    }
}

void SimParallelBoard::Write(PortRegister reg, uint8_t value) {
    Wait();
    if (reg == PortRegister::Control) {
        control_ = value;
        return;
    }
    if (reg != PortRegister::Data) {
        return;
    }
    data_ = value;
    switch (sensor_.Board()) {
    case SimBoard::Gyro:
        OnGyroLines(static_cast<uint8_t>(~value & kGyroMask));
        break;
    case SimBoard::Accel:
        OnAccelLines(static_cast<uint8_t>(~value));
        break;
    case SimBoard::Mux:
        OnMuxLines(value);
        break;
    case SimBoard::None:
        break;
    }
}

uint8_t SimParallelBoard::Read(PortRegister reg) {
    Wait();
    switch (reg) {
    case PortRegister::Data:
        return data_;
    case PortRegister::Control:
        return control_;
    case PortRegister::Status:
        break;
    }
    if (sensor_.Board() == SimBoard::None) {
        return kNoBoardByte;
    }
    // The board pulls the line low for a 1.
    return output_ ? static_cast<uint8_t>(~kStatusData) : 0xFF;
}

void SimParallelBoard::OnGyroLines(uint8_t lines) {
    sensor_.SetSelfTest(lines & kSelfTestPos, lines & kSelfTestNeg);
    const bool selected = !(lines & kSelect);
    const bool clock = lines & kClock;
    if (Rose(gyroSelected_, selected)) {
        // Converts the channel addressed by the previous control word.
        sensor_.SetConversionTimes(accelSeconds_, gyroSeconds_);
        gyroOut_ = static_cast<uint16_t>(sensor_.ConvertGyro(gyroAddress_));
        gyroBits_ = 0;
        gyroIn_ = 0;
        output_ = false;
    } else if (Fell(gyroSelected_, selected)) {
        // A complete write word (bit 15 set) addresses the next conversion.
        if (gyroBits_ == kWordBits && (gyroIn_ & kGyroWrite)) {
            gyroAddress_ = GyroChannel(gyroIn_);
        }
        output_ = false;
    } else if (selected && Fell(gyroClock_, clock) && gyroBits_ < kWordBits) {
        gyroIn_ = static_cast<uint16_t>((gyroIn_ << 1) | ((lines & kData) ? 1 : 0));
        const int clockNumber = ++gyroBits_;
        const int bit = kCodeBits - 1 - (clockNumber - kGyroFirstCodeClock);
        output_ = bit >= 0 && bit < kCodeBits && ((gyroOut_ >> bit) & 1);
    }
    gyroSelected_ = selected;
    gyroClock_ = clock;
}

void SimParallelBoard::OnAccelLines(uint8_t lines) {
    sensor_.SetSelfTest(lines & kSelfTestPos, false);
    const bool selected = !(lines & kSelect);
    const bool tempSelected = !(lines & kTempSelect);
    const bool clock = lines & kClock;
    if (Rose(accelSelected_, selected)) {
        sensor_.SetConversionTimes(accelSeconds_, gyroSeconds_);
        accelOut_ = static_cast<uint16_t>(sensor_.ConvertAccel(accelAxis_));
        accelBits_ = 0;
        accelIn_ = 0;
        output_ = false;
    } else if (Fell(accelSelected_, selected)) {
        if (accelBits_ == kWordBits) {
            accelAxis_ = AccelAxis(accelIn_);
            sensor_.SetPowerDown(AccelPowersDown(accelIn_));
        }
        output_ = false;
    }
    if (Rose(tempSelected_, tempSelected)) {
        accelOut_ = static_cast<uint16_t>(sensor_.TemperatureWord());
        accelBits_ = 0;
        output_ = false;
    }
    if ((selected || tempSelected) && accelBits_ < kWordBits && Fell(accelClock_, clock)) {
        // Both parts shift their output on the falling edge, MSB of a 16-bit frame first.
        const int clockNumber = ++accelBits_;
        const int bit = selected ? kCodeBits - 1 - (clockNumber - kAccelFirstCodeClock)
                                 : kWordBits - clockNumber;
        output_ = bit >= 0 && bit < kWordBits && ((accelOut_ >> bit) & 1);
    } else if (selected && Rose(accelClock_, clock)) {
        accelIn_ = static_cast<uint16_t>((accelIn_ << 1) | ((lines & kData) ? 1 : 0));
    }
    accelSelected_ = selected;
    tempSelected_ = tempSelected;
    accelClock_ = clock;
}

void SimParallelBoard::OnMuxLines(uint8_t lines) {
    const bool clock = lines & kMuxClock;
    const bool loading = lines & kMuxLoad;
    const bool converting = lines & kMuxConvert;

    if (loading && Rose(muxClock_, clock)) {
        // The control word travels inverted on the data line.
        muxShift_ = static_cast<uint8_t>((muxShift_ << 1) | ((lines & kMuxData) ? 0 : 1));
    }
    if (Fell(muxLoading_, loading)) {
        muxRegister_ = muxShift_;
    }

    if (Rose(muxConverting_, converting)) {
        SimMuxInput input = SimMuxInput::Rate;
        if (muxRegister_ & kMuxAdc2) {
            input = SimMuxInput::Adc2;
        } else if (muxRegister_ & kMuxAdc1) {
            input = SimMuxInput::Adc1;
        } else if (muxRegister_ & kMuxTemper) {
            input = SimMuxInput::Temper;
        }
        sensor_.SetConversionTimes(accelSeconds_, gyroSeconds_);
        muxCode_ = sensor_.ConvertMux(input, MuxSelfTest(muxRegister_));
        muxEdges_ = 0;
        output_ = false;
    } else if (converting && Rose(muxClock_, clock)) {
        const int bit = kMuxCodeBits - 1 - (++muxEdges_ - kMuxFirstCodeEdge);
        output_ = bit >= 0 && bit < kMuxCodeBits && ((muxCode_ >> bit) & 1);
    } else if (!converting) {
        output_ = false;
    }

    muxClock_ = clock;
    muxLoading_ = loading;
    muxConverting_ = converting;
}
