// Host side of the USB SPI adapter.
#pragma once

#include <cstdint>

// Scans the adapters and makes the first ready one current.
void FindUsbAdapters();
// Sets the adapter's static output bits (self-test lines); nothing without a ready adapter.
void SetSpiStaticBits(uint8_t& bits);
