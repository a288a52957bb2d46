#include "app/TextFormat.h"

#include <gtest/gtest.h>

TEST(TextFormat, FixedPatternsRoundAndDropTheSignOfZero) {
    EXPECT_EQ(Format(3.14159, "0"), "3");
    EXPECT_EQ(Format(3.14159, "0.00"), "3.14");
    EXPECT_EQ(Format(3.14159, "0.0000"), "3.1416");
    EXPECT_EQ(Format(0.25, "0.00"), "0.25");
    EXPECT_EQ(Format(0.5, "0"), "0");
    EXPECT_EQ(Format(-1.24, "0.00"), "-1.24");
    EXPECT_EQ(Format(-0.004, "0.00"), "0.00");
    EXPECT_EQ(Format(-0.0, "0.0"), "0.0");
    EXPECT_EQ(Format(60000, "0.00"), "60000.00");
    EXPECT_EQ(Format(1e300, "0.0").size(), 303u);
}

TEST(TextFormat, GeneralTextKeepsSevenSignificantDigitsWithoutTrailingZeros) {
    EXPECT_EQ(GeneralText(2048.0f), "2048");
    EXPECT_EQ(GeneralText(0.1f), "0.1");
    EXPECT_EQ(GeneralText(-1.5f), "-1.5");
    EXPECT_EQ(GeneralText(static_cast<float>(1.0 / 820)), "0.001219512");
    EXPECT_EQ(GeneralText(0.0f), "0");
    EXPECT_EQ(GeneralText(-0.0f), "0");
    EXPECT_EQ(GeneralText(1e-5f), "1E-05");
    EXPECT_EQ(GeneralText(123456789.0f), "1.234568E+08");
    EXPECT_EQ(GeneralText(0.1), "0.1");
    EXPECT_EQ(GeneralText(1.0 / 3), "0.333333333333333");
}

TEST(TextFormat, RoundingGoesToTheEvenNeighbourOnTies) {
    EXPECT_EQ(RoundToEven(0.5), 0);
    EXPECT_EQ(RoundToEven(1.5), 2);
    EXPECT_EQ(RoundToEven(2.5), 2);
    EXPECT_EQ(RoundToEven(-0.5), 0);
    EXPECT_EQ(RoundToEven(-1.5), -2);
    EXPECT_EQ(RoundToEven(2.5001), 3);
    EXPECT_EQ(RoundToEven(-2.6), -3);
    EXPECT_EQ(ToInt16(32767.4), 32767);
    EXPECT_EQ(ToInt16(32767.5), std::nullopt);
    EXPECT_EQ(ToInt16(-32768.5), -32768);
    EXPECT_EQ(ToInt32(2147483648.0), std::nullopt);
}

TEST(TextFormat, HexTextAndBack) {
    EXPECT_EQ(HexText(0), "0");

    // The port dialog's texts (378, 3bc, 8000, FFFF, 3G8) are checked through the dialog, the
    // console's words through the console, and numbers with units through the loop delay.
    EXPECT_EQ(HexTextToInteger(""), 0);
    EXPECT_EQ(HexTextToInteger("7FFF"), 32767);
    EXPECT_EQ(HexTextToInteger("12378"), 0x2378);

    EXPECT_EQ(HexTextToWord("ffff"), 65535);
    EXPECT_EQ(HexTextToWord(""), 0);
    EXPECT_EQ(HexTextToWord("10000"), 65535);
    EXPECT_EQ(HexTextToWord("FFFFFFFFFFFFFFFFFFFFFFFF"), 65535);
    EXPECT_EQ(HexTextToWord("x1"), 1);
}

TEST(TextFormat, NumbersFromText) {
    EXPECT_EQ(ParseNumber(" 2048 "), 2048.0);
    EXPECT_EQ(ParseNumber("-5"), -5.0);
    EXPECT_EQ(ParseNumber("2.5"), 2.5);
    EXPECT_EQ(ParseNumber("1e3"), 1000.0);
    EXPECT_EQ(ParseNumber(""), std::nullopt);
    EXPECT_EQ(ParseNumber("  "), std::nullopt);
    EXPECT_EQ(ParseNumber("12abc"), std::nullopt);
    EXPECT_EQ(ParseNumber("."), std::nullopt);
    EXPECT_EQ(ParseNumber("1 2"), std::nullopt);

    EXPECT_EQ(LeadingNumber("abc"), 0.0);
    EXPECT_EQ(LeadingNumber(""), 0.0);
    EXPECT_EQ(LeadingNumber("1e999"), 0.0);
}
