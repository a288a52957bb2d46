#include "commands/DeviceSelect.h"
#include "commands/ViewCommands.h"
#include "tests/support/AppStateTest.h"

using ViewCommandsTest = UiTest;

TEST_F(ViewCommandsTest, ZoomAndMidscaleItems) {
    auto& app = App();
    mnuScale32_Click();
    EXPECT_TRUE(app.mdiAnalyzer.mnuScale32.checked);
    EXPECT_FALSE(app.mdiAnalyzer.mnuScaleFull.checked);

    // The channel's zero, kept within 1000..3000.
    mnuKXS305_Click();
    mnuReSetMidscale_click();
    EXPECT_EQ(app.MidscaleCode, 3000);
    optAdcIn_Click(2);
    mnuReSetMidscale_click();
    EXPECT_EQ(app.MidscaleCode, 1000);

    mnuKxs202_Click(); // 256 codes a G: 0.5 G is 128 codes above 2048, ties go to the even code
    for (auto [mean, code] : {std::pair{0.5f, 2176}, {0.5f / 256, 2048}, {1.5f / 256, 2050}}) {
        app.StatMean = mean;
        mnuSetPlottoAvg_Click();
        EXPECT_EQ(app.MidscaleCode, code) << mean;
    }
    EXPECT_EQ(app.PlotYMinCode, 2050 - 4 * 512); // the plot follows its new centre
}
