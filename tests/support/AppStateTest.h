// Base of tests that use the application state: each test starts from a fresh one.
#pragma once

#include "app/Analyzer.h"
#include "tests/support/FakeFrontend.h"

#include <gtest/gtest.h>

class AppStateTest : public ::testing::Test {
protected:
    void SetUp() override { ResetAppState(); }
    void TearDown() override { ResetAppState(); }

    // A calibrated busy-wait that costs next to nothing, for tests that run transfers.
    static void UseQuickDelay() {
        auto& app = App();
        app.DelayCalibrated = true;
        app.DelayLoopCount = 10;
        app.MinimumDelayMs = 0.0004f;
    }
};

// The same with the fake frontend installed, for tests that need nothing else.
class UiTest : public AppStateTest {
protected:
    FakeFrontend ui;
};

// The captions of a row of labels, each followed by a space.
inline std::string Captions(const auto& labels) {
    std::string texts;
    for (const auto& label : labels) {
        texts += label.caption + " ";
    }
    return texts;
}
