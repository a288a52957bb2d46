// One sample of any channel of any model over either interface, and the board temperature.
#pragma once

#include <cstdint>

// Raw code of channel ch of the chosen model, in the codes of its channel constants; 0
// without a model or an interface.
int32_t ReadChannel(int16_t ch);
// Reads, converts and shows the board temperature, then primes the selected channel.
float ReadTemperature();

// The adapter transfers: a gyroscope's five words, an accelerometer's three, and the
// accelerometer board's temperature sensor.
int32_t UsbReadGyro();
int32_t UsbReadAccel();
void UsbReadAccelTemp();

// The highest code a read of the chosen model gives (4095; for the model-3 board 16383 on
// the parallel port, and the adapter's 4095 scaled up, 16380).
int32_t ConverterFullScaleCode();
