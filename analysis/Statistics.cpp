#include "analysis/Statistics.h"

#include "forms/MainWindowForm.h"
#include "forms/TimePlotForm.h"
#include "platform/Frontend.h"
#include "platform/TextFormat.h"
#include "sensors/Acquisition.h"
#include "sensors/SensorModels.h"

#include <algorithm>
#include <cmath>
#include <string>

void ComputeStatistics(int32_t& count) {
    const auto& samples = Acquisition().Samples;
    const auto& codes = Acquisition().RawCodes;
    Statistics().StatSumSq = 0;
    Statistics().StatMean = Statistics().StatMin = Statistics().StatMax = samples[0];
    // Values sit at 0..n-1 and codes at 1..n: a count beyond the buffers covers what they hold.
    const int32_t n = std::min(count, kMaxSampleIndex);
    if (n <= 0) {
        return;
    }

    for (int32_t i = 1; i < n; ++i) {
        const float s = samples[static_cast<size_t>(i)];
        Statistics().StatMean += s;
        if (Statistics().StatMin > s) {
            Statistics().StatMin = s;
        }
        if (Statistics().StatMax < s) {
            Statistics().StatMax = s;
        }
    }
    Statistics().StatMean /= static_cast<float>(n);

    for (int32_t i = 1; i <= n; ++i) {
        const float d = ChannelValue(codes[static_cast<size_t>(i)], Acquisition().ChannelIndex) -
                        Statistics().StatMean;
        Statistics().StatSumSq += d * d;
    }
    const float variance = Statistics().StatSumSq / static_cast<float>(n);
    Statistics().StatRms = static_cast<float>(std::sqrt(static_cast<double>(variance)));

    Ui().DoEvents();

    auto& f = frmData();
    f.lblMax.caption = Format(Statistics().StatMax, "0.00");
    f.lblMin.caption = Format(Statistics().StatMin, "0.00");
    f.lblPkPk.caption = Format(Statistics().StatMax - Statistics().StatMin, "0.00");
    f.lblAverage.caption = Format(Statistics().StatMean, "0.00");
    f.lblRMS.caption = Format(Statistics().StatRms, "0.00");
}

void ClearReadouts() {
    auto& f = frmData();
    f.lblTemp.caption = "---  ";
    for (Label* label :
         {&f.lblAverage, &f.lblPkPk, &f.lblMax, &f.lblMin, &f.lblRMS, &f.lblTsample}) {
        label->caption = "0";
    }
}

void frmData_lblTS_MouseDown(int16_t Button, int16_t /*Shift*/, float /*X*/, float /*Y*/) {
    if (Button != 2) {
        return;
    }
    const float period = Acquisition().SamplePeriod;
    const float f = static_cast<double>(period) >= 0.000001 ? 1.0f / period : 0.0f;
    std::string text = "Sample Rate = ";
    if (f >= 1000) {
        text += Format(f / 1000, "0.000") + " kHz";
    } else {
        text += Format(f, "0.0") + " Hz";
    }
    mdiAnalyzer().mnuFrequency.caption = text;
    Ui().Popup(PopupMenu::SampleRate);
}
