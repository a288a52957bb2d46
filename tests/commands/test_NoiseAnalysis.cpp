// The noise windows' core: sweeps collected from the simulated gyroscope with its typical
// noise give back the configured density, and the log reader joins a log's passes.
#include "analysis/NoiseRecord.h"
#include "commands/DeviceSelect.h"
#include "commands/NoiseAnalysis.h"
#include "commands/Sweep.h"
#include "commands/ViewCommands.h"
#include "platform/SimulatorControl.h"
#include "tests/support/SimulatedPortTest.h"
#include "tests/support/TempDir.h"

#include <cmath>

namespace {

class NoiseAnalysisTest : public SimulatedPortTest {};

TEST_F(NoiseAnalysisTest, CollectedGyroscopeSweepsReadTheConfiguredDensity) {
    AttachOnPort("", 0x378);
    mnuKxs306_Click();
    SimulatorControl* sim = Simulator();
    ASSERT_NE(sim, nullptr);
    sim->UseTypicalNoise();
    sim->SetAmplitude(0);
    auto& m = App().mdiAnalyzer;
    m.DatalogLengthCBX.text = "32768";
    DatalogLengthCBX_Click();
    m.chkContinuous.value = 1;
    chkContinuous_Click();
    frmNoise().chkCollect.value = 1;
    frmNoise_chkCollect_Click();
    ui.OnEveryDoEvents([] {
        if (NoiseRecord().sweepsCollected == 2) {
            cmdStop_Click();
        }
    });
    cmdSingleSweep_Click();
    ASSERT_EQ(NoiseRecord().values.size(), 2u * 32768);

    // The host's speed is not the board's: analyse at the board's own rate.
    NoiseRecord().sampleRate = sim->ConversionRateHz();
    AnalyseNoiseRecord();
    const double density = sim->NoiseDensity();
    EXPECT_NEAR(frmNoise().result.floor, density, 0.1 * density);
    ASSERT_TRUE(frmAllan().result.whiteNoise.has_value());
    EXPECT_NEAR(std::sqrt(2.0) * *frmAllan().result.whiteNoise, density, 0.1 * density);
    EXPECT_NE(frmAllan().lblFigures.caption.find("Angle random walk"), std::string::npos);
}

// What it refuses is in the recorded runs of the command line.
TEST(ReadLogColumn, JoinsPasses) {
    TempWorkDir dir;
    const std::string header = "KXS306\tDate\t1/2/2026\r\nTemperature\t25  dgrC\r\n"
                               "Num Samples\t2\r\nLoop Delay\t0 mS\r\n\tGyro\tAin1\r\n"
                               "Sample\tDgr/S\tVolts\t\r\n";
    dir.Write("good.txt",
              header + "1\t0.5\t1.25\r\n2\t-0.5\t1.25\r\n1\t1.5\t1.25\r\n2\t2\t1.25\r\n");
    const LogColumn good = ReadLogColumn("good.txt", 1);
    EXPECT_EQ(good.error, "");
    EXPECT_EQ(good.values, (std::vector<double>{0.5, -0.5, 1.5, 2}));
    EXPECT_EQ(good.passes, 2); // the units are the recorded noise runs'
    EXPECT_EQ(ReadLogColumn("good.txt", 2).name, "Ain1");
}

} // namespace
