#include "analysis/Statistics.h"

#include "app/Analyzer.h"
#include "app/TextFormat.h"
#include "platform/Frontend.h"
#include "sensors/ReadData.h"

#include <algorithm>
#include <cmath>
#include <string>

void ComputeStatistics(int32_t& count) {
    auto& app = App();
    const auto& samples = app.Samples;
    const auto& codes = app.RawCodes;
    app.StatSumSq = 0;
    app.StatMean = app.StatMin = app.StatMax = samples[0];
    // Values sit at 0..n-1 and codes at 1..n: a count beyond the buffers covers what they hold.
    const int32_t n = std::min(count, kMaxSampleIndex);
    if (n <= 0) {
        return;
    }

    for (int32_t i = 1; i < n; ++i) {
        const float s = samples[static_cast<size_t>(i)];
        app.StatMean += s;
        if (app.StatMin > s) {
            app.StatMin = s;
        }
        if (app.StatMax < s) {
            app.StatMax = s;
        }
    }
    app.StatMean /= static_cast<float>(n);

    // Model 3 shows the RMS of its raw codes instead: offset, scale and mean left in.
    const bool rawRms = app.DeviceName == "KXS305";
    double rawSumSq = 0;
    for (int32_t i = 1; i <= n; ++i) {
        const int32_t code = codes[static_cast<size_t>(i)];
        if (rawRms) {
            rawSumSq += static_cast<double>(code) * code;
        } else {
            const float d = ChannelValue(code, app.ChannelIndex) - app.StatMean;
            app.StatSumSq += d * d;
        }
    }
    const float variance = app.StatSumSq / static_cast<float>(n);
    app.StatRms = static_cast<float>(std::sqrt(static_cast<double>(variance)));
    if (rawRms) {
        app.StatRms = static_cast<float>(std::sqrt(rawSumSq / n));
    }

    Ui().DoEvents();

    auto& f = app.frmData;
    f.lblMax.caption = Format(app.StatMax, "0.00");
    f.lblMin.caption = Format(app.StatMin, "0.00");
    f.lblPkPk.caption = Format(app.StatMax - app.StatMin, "0.00");
    f.lblAverage.caption = Format(app.StatMean, "0.00");
    f.lblRMS.caption = Format(app.StatRms, "0.00");
}

void ClearReadouts() {
    auto& f = App().frmData;
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
    auto& app = App();
    const float period = app.SamplePeriod;
    const float f = static_cast<double>(period) >= 0.000001 ? 1.0f / period : 0.0f;
    std::string text = "Sample Rate = ";
    if (f >= 1000) {
        text += Format(f / 1000, "0.000") + " kHz";
    } else {
        text += Format(f, "0.0") + " Hz";
    }
    app.mdiAnalyzer.mnuFrequency.caption = text;
    Ui().Popup(PopupMenu::SampleRate);
}
