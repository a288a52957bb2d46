// The model-3 board: control register of the multiplexer and the 14-bit converter.
#pragma once

#include <string>

// Loads the multiplexer with a channel ("ADC1", "ADC2", "RATE", "TEMPER", any case)
// and a self-test setting (-1, 0 or 1). ChanName is upper-cased in place.
void SetMuxChannel(std::string& ChanName, double SelfTest);
