// The adapter firmware's command protocol, as the host sends it and the firmware (or the
// simulated one) runs it: a command on pipe 0, its reply, when it has one, on pipe 1.
#pragma once

#include <cstdint>

namespace adapter {

// First byte of a command.
inline constexpr uint8_t kRevision = 0x00;      // reply: major, minor
inline constexpr uint8_t kReadSetup = 0x01;     // reply: word delay, static bits
inline constexpr uint8_t kSetWordDelay = 0x0B;  // + delay (microseconds, 1..255)
inline constexpr uint8_t kSetStaticBits = 0x0C; // + the static output bits
// + chip-select channel (1..5), word count (1..16), the words high byte first; the reply is
// as many words, read with the data input sampled on the positive or negative clock edge.
inline constexpr uint8_t kTransferPos = 0x0D;
inline constexpr uint8_t kTransferNeg = 0x0E;

inline constexpr int kCommandPipe = 0;
inline constexpr int kReplyPipe = 1;
// Its packet size tells a high-speed adapter (512) from a full-speed one (64).
inline constexpr int kSpeedPipe = 3;
inline constexpr int kMaxWords = 16;

// Chip-select channels 1..5; the boards' converter is on the first, an accelerometer board's
// temperature sensor on the second.
inline constexpr int kChannels = 5;
inline constexpr uint8_t kConverterChannel = 1;
inline constexpr uint8_t kTempSensorChannel = 2;

// Static output bits: the self-test lines of the sensor boards, and the bits that are only
// ever read back (CS2..CS5 in the debug console are bits 3..6).
inline constexpr uint8_t kStaticBitsMask = 0x78;
inline constexpr uint8_t kStaticSelfTestNeg = 0x08;
inline constexpr uint8_t kStaticSelfTestPos = 0x10;
// The bit of the console's box CSn, n = 2..5.
constexpr uint8_t StaticChipSelectBit(int n) { return static_cast<uint8_t>(1 << (n + 1)); }
// Lines held high whatever the self-test: 0x60 for a gyroscope board, 0x68 (the negative
// line on) for an accelerometer board.
inline constexpr uint8_t kStaticIdle = 0x60;

} // namespace adapter
