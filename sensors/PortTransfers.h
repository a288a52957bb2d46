// SPI transfers bit-banged on the parallel port, over the line driver, for the converter
// boards of models 1, 2, 4 and 5.
#pragma once

#include <cstdint>

// 12-bit code of the gyroscope converter (models 4 and 5); answers one transfer late.
int32_t PortReadGyro();
// 12-bit code of the accelerometer converter (models 1 and 2).
int32_t PortReadAccel();
// Temperature of an accelerometer board, into Temperature.
void PortReadAccelTemp();
