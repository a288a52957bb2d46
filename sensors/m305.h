// The model-3 board: an 8-bit control register that picks what its 14-bit converter
// measures and drives the self-test, both on direct (not inverted) port lines.
#pragma once

#include <string>

// Loads the control register with a channel ("ADC1", "ADC2", "RATE", "TEMPER", any case)
// and a self-test setting (-1, 0 or 1). ChanName is upper-cased in place.
void SetMuxChannel(std::string& ChanName, double SelfTest);
void setMux(std::string& ChanName, double SelfTest);

// 14-bit code of the converter (0..16383).
double ReadAdcValue();
double readAdc();
