#include "sensors/ReadData.h"

int32_t ReadChannel(int16_t) { return 0; }
float ReadTemperature() { return 0; }
int32_t UsbReadGyro() { return 0; }
int32_t UsbReadAccel() { return 0; }
void UsbReadAccelTemp() {}
