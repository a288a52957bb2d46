#include "commands/DeviceSelect.h"
#include "commands/SimulatorCommands.h"
#include "interfaces/UsbSpiDrivers.h"
#include "sensors/PortTransfers.h"
#include "tests/support/SimulatedPortTest.h"

#include <chrono>

// The boards go on 0x278: any address answers.
using SimulatorCommandsTest = SimulatedPortTest;

TEST_F(SimulatorCommandsTest, BoardFollowsTheChosenModelUnlessFixed) {
    ShowSimulatorMenu();
    EXPECT_FALSE(App().mdiAnalyzer.mnuSim.visible);

    AttachOnPort("", 0x278);
    ShowSimulatorMenu();
    EXPECT_TRUE(App().mdiAnalyzer.mnuSim.visible && App().mdiAnalyzer.mnuSimUse.checked);
    mnuKxs201_Click();
    EXPECT_EQ(SimulatedBoards().sensor.Model(), "KXS201");
    EXPECT_GT(PortReadAccel() + PortReadAccel(), 0);

    // Pulling the board out leaves the line floating: codes 0.
    mnuSimUse_Click();
    EXPECT_EQ(PortReadAccel(), 0);
    mnuSimUse_Click();
    EXPECT_EQ(SimulatedBoards().sensor.Model(), "KXS201");

    SimulatedBoards().Detach();
    AttachOnPort("KXS307", 0x278);
    mnuKxs202_Click();
    EXPECT_EQ(SimulatedBoards().sensor.Model(), "KXS307");
}

TEST_F(SimulatorCommandsTest, AmplitudeAndFrequencyAreAskedForAndChecked) {
    AttachOnPort("", 0x278);
    const auto& signal = SimulatedBoards().sensor.Signal();
    ui.inputAnswers = {"2", "abc", "1"};
    mnuSimMax_Click();
    EXPECT_DOUBLE_EQ(signal.amplitude, 1);
    EXPECT_EQ(ui.inputInitials, (std::vector<std::string>{"0.25", "2", "abc"}));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, "Please enter a number from 0 to 1.");

    // Cancel keeps the value; the frequency may not exceed half a cycle per sample.
    mnuSimMax_Click();
    EXPECT_DOUBLE_EQ(signal.amplitude, 1);
    App().SweepLength = 256;
    ui.messages.clear();
    ui.inputAnswers = {"129", " 12.5 "};
    mnuSimFreq_Click();
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_DOUBLE_EQ(signal.cyclesPerSweep, 12.5);
    EXPECT_EQ(signal.samplesPerSweep, 256);
    // The seed is a whole number.
    ui.inputAnswers = {"41.6"};
    mnuSimSeed_Click();
    EXPECT_EQ(signal.seed, 42u);
}

TEST_F(SimulatorCommandsTest, UsbTroubleOnDemand) {
    auto& app = App();
    auto& usb = SimulatedBoards().usb;
    AttachOnPort("KXS306", 0x278);
    usb.Plug(0);
    usb.SetTimeout(std::chrono::milliseconds(0));
    auto transfer = [&] {
        ui.messages.clear();
        FindUsbAdapters();
        uint8_t count = 1;
        SpiTransfer(count);
        return ui.messages.empty() ? std::string("ok") : ui.MessageHeads()[0];
    };
    struct Case {
        const char* plan;
        std::vector<std::string> results; // of successive searches and one-word transfers
    } cases[] = {
        {"fail:1", {"Error Writing SPI", "ok"}},
        {"timeout:2@1", {"Error Reading SPI", "ok"}},
        {"stall:3@3", {"ok", "Error getting Board Info", "ok"}},
    };
    for (const auto& c : cases) {
        const auto plan = ParseSimUsbFault(c.plan);
        ASSERT_TRUE(plan) << c.plan;
        // The search itself takes two transfers (the firmware revision).
        usb.PlanFaults({plan->kind, plan->count, plan->after + 2});
        std::vector<std::string> results;
        for (size_t i = 0; i < c.results.size(); ++i) {
            results.push_back(transfer());
        }
        EXPECT_EQ(results, c.results) << c.plan;
    }
    for (const char* bad : {"fail", "fail:0", "burn:1", "stall:2@", "stall:2@x", "timeout:-1"}) {
        EXPECT_FALSE(ParseSimUsbFault(bad)) << bad;
    }

    // Pulled out by the menu, and in again; or after a number of transfers, back in later.
    ShowSimulatorMenu();
    EXPECT_TRUE(app.mdiAnalyzer.mnuSimUsbPlugged.checked);
    mnuSimUsbPlugged_Click();
    EXPECT_EQ(transfer(), "ok"); // no adapter: nothing is sent
    EXPECT_FALSE(app.CurrentAdapter.Present || app.mdiAnalyzer.mnuSimUsbPlugged.checked);
    mnuSimUsbPlugged_Click();
    EXPECT_EQ(transfer(), "ok");
    usb.PlanUnplug(2, std::chrono::milliseconds(0));
    EXPECT_EQ(transfer(), "Error Writing SPI");
    EXPECT_NE(ui.messages[0].text.find("Ezusb-0 is gone"), std::string::npos);
    EXPECT_EQ(transfer(), "ok");
    EXPECT_TRUE(app.CurrentAdapter.Present);

    ui.inputAnswers = {"3"};
    mnuSimUsbStall_Click();
    EXPECT_EQ(transfer(), "Error getting Board Info");
}
