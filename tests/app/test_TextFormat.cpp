#include "platform/TextFormat.h"

#include <gtest/gtest.h>

// The port dialog's hexadecimal texts are checked through the dialog, the console's words
// through the console, and numbers with units through the loop delay.
TEST(TextFormat, NumbersAsTextRoundedWithoutTheSignOfZero) {
    const std::pair<std::string, std::string> cases[] = {
        {Format(3.14159, "0"), "3"},
        {Format(3.14159, "0.0000"), "3.1416"},
        {Format(0.5, "0"), "0"},
        {Format(-1.24, "0.00"), "-1.24"},
        {Format(-0.004, "0.00"), "0.00"},
        {Format(-0.0, "0.0"), "0.0"},
        {Format(60000, "0.00"), "60000.00"},
        {std::to_string(Format(1e300, "0.0").size()), "303"},
        // Seven significant digits without trailing zeros for a float, fifteen for a double.
        {GeneralText(2048.0f), "2048"},
        {GeneralText(-1.5f), "-1.5"},
        {GeneralText(static_cast<float>(1.0 / 820)), "0.001219512"},
        {GeneralText(-0.0f), "0"},
        {GeneralText(1e-5f), "1E-05"},
        {GeneralText(123456789.0f), "1.234568E+08"},
        {GeneralText(0.1), "0.1"},
        {GeneralText(1.0 / 3), "0.333333333333333"},
        {HexText(0), "0"},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(text, expected);
    }
}

TEST(TextFormat, TiesGoToTheEvenNeighbourAndTextToNumbers) {
    const std::pair<double, int> ties[] = {{0.5, 0},   {1.5, 2},    {2.5, 2},  {-0.5, 0},
                                           {-1.5, -2}, {2.5001, 3}, {-2.6, -3}};
    for (auto [value, rounded] : ties) {
        EXPECT_EQ(RoundToEven(value), rounded) << value;
    }
    EXPECT_EQ(ToInt16(32767.4), 32767);
    EXPECT_EQ(ToInt16(32767.5), std::nullopt);
    EXPECT_EQ(ToInt16(-32768.5), -32768);
    EXPECT_EQ(ToInt32(2147483648.0), std::nullopt);

    // Hexadecimal words saturate; integers keep their low 16 bits.
    for (auto [text, word] : {std::pair{"ffff", 65535},
                              {"", 0},
                              {"10000", 65535},
                              {"FFFFFFFFFFFFFFFFFFFFFFFF", 65535},
                              {"x1", 1}}) {
        EXPECT_EQ(HexTextToWord(text), word) << text;
    }
    EXPECT_EQ(HexTextToInteger("7FFF"), 32767);
    EXPECT_EQ(HexTextToInteger("12378"), 0x2378);

    EXPECT_EQ(ParseNumber(" 2048 "), 2048.0);
    EXPECT_EQ(ParseNumber("1e3"), 1000.0);
    for (const char* text : {"", "  ", "12abc", ".", "1 2"}) {
        EXPECT_EQ(ParseNumber(text), std::nullopt) << text;
    }
    for (const char* text : {"abc", "", "1e999"}) {
        EXPECT_EQ(LeadingNumber(text), 0.0) << text;
    }
}
