// The evaluation boards' lines on the parallel port's data register, and the sensor's data
// output on status bit 6. The converter boards (models 1, 2, 4 and 5) sit behind inverting
// buffers, so the program writes the complement of the levels it means; the model-3 board
// takes the levels as they stand.
#pragma once

#include <cstdint>

namespace lines {

// Converter boards, as levels at the board (the port gets 63 - levels on a gyroscope board,
// 255 - levels on an accelerometer board).
inline constexpr uint8_t kSelect = 1; // converter chip select, active low at the board
inline constexpr uint8_t kClock = 2;
inline constexpr uint8_t kData = 4;         // also the channel-address and power-down bits
inline constexpr uint8_t kSelfTestPos = 16; // positive self-test
// Line 5: the gyroscope board's negative self-test, the accelerometer board's temperature
// sensor select (active low).
inline constexpr uint8_t kSelfTestNeg = 32;
inline constexpr uint8_t kTempSelect = 32;
inline constexpr uint8_t kGyroMask = 63;
inline constexpr uint8_t kAccelMask = 255;

// Model 3, as written.
inline constexpr uint8_t kMuxConvert = 1;
inline constexpr uint8_t kMuxClock = 2;
inline constexpr uint8_t kMuxData = 4;
inline constexpr uint8_t kMuxLoad = 32;

// Status register: the sensor pulls it low for a 1.
inline constexpr uint8_t kStatusData = 64;

} // namespace lines
