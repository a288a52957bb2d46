// One sample of any channel of any model over either interface, and the board temperature.
#pragma once

#include <cstdint>

// Raw code of channel ch of the chosen model; 0 without a model or an interface.
int32_t ReadChannel(int16_t ch);
// Reads, converts and shows the board temperature, then primes the selected channel.
float ReadTemperature();

// The adapter transfers: a gyroscope's five words, an accelerometer's three, and the
// accelerometer board's temperature sensor.
int32_t UsbReadGyro();
int32_t UsbReadAccel();
void UsbReadAccelTemp();

// The code at the top of the chosen model's converter (4095, or 16383 for the model-3 board
// on the parallel port).
int32_t ConverterFullScaleCode();
