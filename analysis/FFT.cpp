#include "analysis/FFT.h"

#include "app/Analyzer.h"

void BuildWindowTable() {
    auto& app = App();
    const int32_t n = app.SweepLength > 0 ? app.SweepLength : 0;
    app.WindowTable.assign(static_cast<size_t>(n) + 1, 1.0);
}
