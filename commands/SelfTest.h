// The self-test measurement.
#pragma once

#include <array>

struct SelfTestState {
    std::array<float, 5> TestAvg{}; // phase averages, used from index 1
};
SelfTestState& SelfTest();
