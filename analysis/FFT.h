// Spectrum of a sweep.
#pragma once

// Rebuilds the weighting table for the current sweep length: all 1.0 (rectangular).
void BuildWindowTable();
