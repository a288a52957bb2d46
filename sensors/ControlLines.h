// The boards' self-test lines, on either interface.
#pragma once

#include <cstdint>

// On the parallel port the next transfer carries the new level; on the USB adapter the
// static output bits are sent at once.
void SetSelfTestPos(int16_t on);
void SetSelfTestNeg(int16_t on);
