#include "commands/TimePlot.h"
#include "sensors/ReadData.h"
#include "tests/support/AppStateTest.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

class StatisticsTest : public UiTest {
protected:
    // Mean, min, max, peak-to-peak and RMS readouts after a sweep of these codes.
    Texts Summary(const std::vector<int32_t>& codes, int32_t count) {
        auto& app = App();
        for (size_t k = 0; k < codes.size(); ++k) {
            app.RawCodes[k + 1] = codes[k];
            app.Samples[k] = ChannelValue(codes[k], app.ChannelIndex);
        }
        ComputeStatistics(count);
        const auto& f = app.frmData;
        return {f.lblAverage.caption, f.lblMin.caption, f.lblMax.caption, f.lblPkPk.caption,
                f.lblRMS.caption};
    }
};

} // namespace

TEST_F(StatisticsTest, ReadoutsOfTheSweep) {
    // A count beyond the buffers covers the samples they hold.
    std::fill(App().RawCodes.begin(), App().RawCodes.end(), 3);
    std::fill(App().Samples.begin(), App().Samples.end(), 3.0f);
    App().Samples[kMaxSampleIndex] = 100;
    EXPECT_EQ(Summary({}, kMaxSampleIndex + 100), (Texts{"3.00", "3.00", "3.00", "0.00", "0.00"}));
    EXPECT_EQ(ui.doEventsCalls, 1);

    // In the channel's units, code 7 reading -2.5; no samples keep the last readouts. The
    // statistics themselves are the recorded sweeps'.
    App().DeviceName = "KXS306";
    App().ChannelOffset[0] = 2;
    App().ChannelScale[0] = -0.5f;
    EXPECT_EQ(Summary({7}, 1), (Texts{"-2.50", "-2.50", "-2.50", "0.00", "0.00"}));
    EXPECT_EQ(Summary({-5}, 0), (Texts{"-2.50", "-2.50", "-2.50", "0.00", "0.00"}));

    // The sample rate, shown on a right click only.
    const auto& caption = App().mdiAnalyzer.mnuFrequency.caption;
    for (auto [period, text] : {std::pair<float, const char*>{0, "Sample Rate = 0.0 Hz"},
                                {0.004f, "Sample Rate = 250.0 Hz"},
                                {0.0005f, "Sample Rate = 2.000 kHz"}}) {
        App().SamplePeriod = period;
        frmData_lblTS_MouseDown(1, 0, 0, 0);
        frmData_lblTS_MouseDown(2, 0, 0, 0);
        EXPECT_EQ(caption, text);
    }
    EXPECT_EQ(ui.popups, std::vector<PopupMenu>(3, PopupMenu::SampleRate));
}
