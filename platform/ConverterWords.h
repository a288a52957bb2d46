// The words the boards' converters and the model-3 control register take, as the host builds
// them on either interface and the boards (or the simulated ones) decode them.
#pragma once

#include <cstdint>

namespace words {

// Every SPI word is 16 bits; the converters answer with a 12-bit code in the low bits.
inline constexpr int kWordBits = 16;
inline constexpr int kCodeBits = 12;
inline constexpr int32_t kCodeMask = (1 << kCodeBits) - 1;

// Gyroscope converter (models 4 and 5, and model 3 on the adapter): a write word (bit 15)
// addresses the next conversion by the channel in bits 11..10; it answers one word late.
inline constexpr uint16_t kGyroWrite = 0x8000;
inline constexpr int kGyroChannelShift = 10;
inline constexpr uint16_t kGyroChannelMask = 0x0C00;
// Bits 9, 8 and 4, sent on both interfaces, and bits 2 and 0, sent on the parallel port only.
inline constexpr uint16_t kGyroSetup = 0x0310;
inline constexpr uint16_t kGyroPortSetup = 0x0005;

// The gyroscope converter's channels.
inline constexpr int kGyroRate = 0;
inline constexpr int kGyroTemperature = 1;
inline constexpr int kGyroInput1 = 2;
inline constexpr int kGyroInput2 = 3;

constexpr uint16_t GyroWord(int channel) {
    return static_cast<uint16_t>(kGyroWrite | kGyroSetup |
                                 ((channel << kGyroChannelShift) & kGyroChannelMask));
}
constexpr int GyroChannel(uint16_t word) { return (word & kGyroChannelMask) >> kGyroChannelShift; }

// Accelerometer converter (models 1 and 2): the axis in bit 11 and power-down in bit 8. The
// parallel port frames its word with bits 15 and 7; the adapter's first two words set bit 10.
inline constexpr int kAccelAxisShift = 11;
inline constexpr uint16_t kAccelAxisMask = 0x0800;
inline constexpr uint16_t kAccelPowerDown = 0x0100;
inline constexpr uint16_t kAccelPortFrame = 0x8080;
inline constexpr uint16_t kAccelAdapterSetup = 0x0400;

constexpr uint16_t AccelWord(int axis, bool powerDown) {
    return static_cast<uint16_t>(((axis << kAccelAxisShift) & kAccelAxisMask) |
                                 (powerDown ? kAccelPowerDown : 0));
}
constexpr int AccelAxis(uint16_t word) { return (word & kAccelAxisMask) >> kAccelAxisShift; }
constexpr bool AccelPowersDown(uint16_t word) { return (word & kAccelPowerDown) != 0; }

// The accelerometer board's temperature sensor answers quarter degrees, 10-bit two's
// complement, from bit 5 up.
inline constexpr int kTempShift = 5;
inline constexpr int kTempBits = 10;

// Model 3's 8-bit control register: exactly one input bit, and the self-test in bits 1..0.
// Its converter answers with a 14-bit code.
inline constexpr int kMuxWordBits = 8;
inline constexpr int kMuxCodeBits = 14;
inline constexpr uint8_t kMuxAdc2 = 0x80;
inline constexpr uint8_t kMuxAdc1 = 0x40;
inline constexpr uint8_t kMuxRate = 0x20;
inline constexpr uint8_t kMuxTemper = 0x10;
inline constexpr uint8_t kMuxSelfTestPos = 0x02;
inline constexpr uint8_t kMuxSelfTestNeg = 0x01;

// Self-test setting -1, 0 or 1 as the register's bits, and back.
constexpr uint8_t MuxSelfTestBits(int selfTest) {
    return selfTest > 0 ? kMuxSelfTestPos : selfTest < 0 ? kMuxSelfTestNeg : 0;
}
constexpr int MuxSelfTest(uint8_t word) {
    return (word & kMuxSelfTestPos) ? 1 : (word & kMuxSelfTestNeg) ? -1 : 0;
}

} // namespace words
