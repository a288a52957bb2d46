#include "app/Analyzer.h"
#include "commands/SimulatorCommands.h"
#include "sensors/DeviceSelect.h"
#include "sensors/PortTransfers.h"
#include "simulator/SimBoards.h"
#include "tests/support/SimulatedPortTest.h"

#include <gtest/gtest.h>

namespace {

class SimulatorCommandsTest : public SimulatedPortTest {
protected:
    // Any address answers.
    void AttachOnPort(const std::string& fixedModel) {
        SimulatedPortTest::AttachOnPort(fixedModel, 0x278);
    }
};

} // namespace

TEST_F(SimulatorCommandsTest, BoardFollowsTheChosenModelUnlessFixed) {
    ShowSimulatorMenu();
    EXPECT_FALSE(App().mdiAnalyzer.mnuSim.visible);

    AttachOnPort("");
    ShowSimulatorMenu();
    EXPECT_TRUE(App().mdiAnalyzer.mnuSim.visible);
    EXPECT_TRUE(App().mdiAnalyzer.mnuSimUse.checked);
    mnuKxs306_Click();
    EXPECT_EQ(SimulatedBoards().sensor.Model(), "KXS306");
    mnuKxs201_Click();
    EXPECT_EQ(SimulatedBoards().sensor.Model(), "KXS201");
    EXPECT_GT(PortReadAccel() + PortReadAccel(), 0);

    // Pulling the board out leaves the line floating: codes 0.
    mnuSimUse_Click();
    EXPECT_FALSE(App().mdiAnalyzer.mnuSimUse.checked);
    EXPECT_EQ(PortReadAccel(), 0);
    mnuSimUse_Click();
    EXPECT_EQ(SimulatedBoards().sensor.Model(), "KXS201");

    SimulatedBoards().Detach();
    AttachOnPort("KXS307");
    mnuKxs202_Click();
    EXPECT_EQ(SimulatedBoards().sensor.Model(), "KXS307");
}

TEST_F(SimulatorCommandsTest, AmplitudeAndFrequencyAreAskedForAndChecked) {
    AttachOnPort("");
    const auto& signal = SimulatedBoards().sensor.Signal();
    ui.inputAnswers = {"2", "abc", "0.5"};
    mnuSimMax_Click();
    EXPECT_DOUBLE_EQ(signal.amplitude, 0.5);
    EXPECT_EQ(ui.inputInitials, (std::vector<std::string>{"0.25", "2", "abc"}));
    EXPECT_EQ(ui.inputPrompts[0].title, "Sim Max (FS=1.0)");
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, "Please enter a number from 0 to 1.");

    // Cancel keeps the value; the frequency may not exceed half a cycle per sample.
    mnuSimMax_Click();
    EXPECT_DOUBLE_EQ(signal.amplitude, 0.5);
    App().SweepLength = 256;
    ui.messages.clear();
    ui.inputAnswers = {"129", " 12.5 "};
    mnuSimFreq_Click();
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_DOUBLE_EQ(signal.cyclesPerSweep, 12.5);
    EXPECT_EQ(signal.samplesPerSweep, 256);
}
