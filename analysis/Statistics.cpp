#include "analysis/Statistics.h"

void ComputeStatistics(int32_t&) {}
void ClearReadouts() {}
void frmData_lblTS_MouseDown(int16_t, int16_t, float, float) {}
