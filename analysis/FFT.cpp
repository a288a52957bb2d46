#include "analysis/FFT.h"
#include "sensors/Acquisition.h"

void BuildWindowTable() {
    const int32_t n = Acquisition().SweepLength > 0 ? Acquisition().SweepLength : 0;
    Spectrum().WindowTable.assign(static_cast<size_t>(n) + 1, 1.0);
}
