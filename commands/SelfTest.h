// The self-test measurement: one sweep during which the sensor's self-test lines (and, on
// the accelerometers, power-down and the Y channel) switch at the quarter points, with the
// phase averages reported; and the self-test and power-down boxes of "Part Setup".
#pragma once

#include "commands/CommandResult.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct SelfTestState {
    std::array<float, 5> TestAvg{}; // phase averages, used from index 1
};
SelfTestState& SelfTest();

// The shortest sweep whose four phases each give the averages a sample.
inline constexpr int32_t kSelfTestMinSamples = 8;

// "&Run Test", refused with a box on a sweep shorter than kSelfTestMinSamples. The test always
// runs to its end: Stop does not end it, closing the program
// does. Its data is the report.
CommandResult<std::string> mnuTest_Click();
// The phase averages of the sweep just taken, and the report box.
void Calc_Test_Stats();
// The report's rows: the phase averages and their differences, in the channel's units and in
// converter codes (a difference has no zero code).
struct SelfTestLine {
    std::string key; // for scripts
    std::string label;
    float value;
    float code;
};
std::vector<SelfTestLine> SelfTestLines();
// The report as Calc_Test_Stats shows it (empty for a model outside the table).
std::string SelfTestReport();

void ckSelfTestPos_Click();
void ckSelfTestNeg_Click();
void ChkPowerdown_Click();
