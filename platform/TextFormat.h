// Number and hexadecimal text helpers used by every window.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Fixed decimals: pattern "0", "0.0", "0.00", ... gives that many decimals, rounded, with a
// leading zero; a negative value that rounds to zero shows without a minus sign.
std::string Format(double value, std::string_view pattern);

// General conversion: up to seven significant digits for single precision (fifteen for
// double), no trailing zeros, "." as the decimal separator, exponent form for very large
// or very small magnitudes ("1E-05").
std::string GeneralText(float value);
std::string GeneralText(double value);

// Nearest integer, ties to the even one.
int64_t RoundToEven(double value);

// Upper-case hexadecimal digits without prefix or leading zeros ("0" for zero).
std::string HexText(uint32_t value);
// A 16-bit value's hexadecimal text; a negative value gives its four-digit pattern.
std::string HexText16(int16_t value);

// Value of a hexadecimal text as a 16-bit signed integer (values from 8000 wrap to
// negative). Only the four rightmost characters count; other characters count as 0.
int16_t HexTextToInteger(std::string_view text);
// Value of a hexadecimal text, 0..65535; a larger value gives 65535.
int32_t HexTextToWord(std::string_view text);

// A decimal number with optional surrounding blanks and nothing else; nullopt otherwise.
std::optional<double> ParseNumber(std::string_view text);
// The numeric value at the start of a text (blanks skipped); 0 when it does not start
// with a number.
double LeadingNumber(std::string_view text);

// Rounds (ties to even) and checks the range; nullopt when the value does not fit.
std::optional<int16_t> ToInt16(double value);
std::optional<int32_t> ToInt32(double value);
