// Base of tests that use the application state: each test starts from a fresh one.
#pragma once

#include "app/Analyzer.h"

#include <gtest/gtest.h>

class AppStateTest : public ::testing::Test {
protected:
    void SetUp() override { ResetAppState(); }
    void TearDown() override { ResetAppState(); }
};
