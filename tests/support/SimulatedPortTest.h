// Base of tests that run the program against the simulated boards behind the parallel port.
#pragma once

#include "app/Hardware.h"
#include "platform/PortIo.h"
#include "simulator/SimBoards.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/FakeClock.h"

#include <cstdint>
#include <string>

class SimulatedPortTest : public UiTest {
protected:
    void SetUp() override {
        AppStateTest::SetUp();
        UseQuickDelay();
    }
    void TearDown() override {
        RemoveHardware();
        AppStateTest::TearDown();
    }

    // The boards plugged in and the port at address open as the interface; an empty model
    // lets the board follow the model chosen in the program.
    void AttachOnPort(const std::string& fixedModel, uint16_t address) {
        CommandLine simulate;
        simulate.simulate = true;
        simulate.simulateModel = fixedModel;
        simulate.simulateAdapters.clear();
        InstallHardware(simulate);
        auto& app = App();
        app.InterfaceCode = 1;
        app.PortAddress = static_cast<int16_t>(address);
        std::string reason;
        ASSERT_TRUE(OpenPort(address, reason)) << reason;
    }

    FakeClock clock;
};
