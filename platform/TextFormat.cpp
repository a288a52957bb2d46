#include "platform/TextFormat.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return 0;
}

// Length of the decimal number at the start of text (sign, digits, point, exponent).
size_t NumberLength(std::string_view text) {
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    size_t digits = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return 0;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            ++j;
        }
        if (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) {
            while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) {
                ++j;
            }
            i = j;
        }
    }
    return i;
}

std::string General(double value, int digits) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-Infinity" : "Infinity";
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*G", digits, value);
    std::string s = buf;
    // Drop trailing zeros of the mantissa ("1.500000E+20" -> "1.5E+20").
    const size_t e = s.find('E');
    std::string mantissa = s.substr(0, e);
    std::string exponent = e == std::string::npos ? "" : s.substr(e);
    if (mantissa.find('.') != std::string::npos) {
        while (mantissa.back() == '0') {
            mantissa.pop_back();
        }
        if (mantissa.back() == '.') {
            mantissa.pop_back();
        }
    }
    if (mantissa == "-0") {
        mantissa = "0";
    }
    return mantissa + exponent;
}

template <typename T> std::optional<T> ToInteger(double value) {
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    const double r = std::nearbyint(value);
    if (r < std::numeric_limits<T>::min() || r > std::numeric_limits<T>::max()) {
        return std::nullopt;
    }
    return static_cast<T>(r);
}

} // namespace

std::string Format(double value, std::string_view pattern) {
    const size_t point = pattern.find('.');
    const int decimals = point == std::string_view::npos ? 0 : int(pattern.size() - point - 1);
    std::string s(static_cast<size_t>(std::snprintf(nullptr, 0, "%.*f", decimals, value)), '\0');
    std::snprintf(s.data(), s.size() + 1, "%.*f", decimals, value);
    if (s.front() == '-' && s.find_first_not_of("-0.") == std::string::npos) {
        s.erase(0, 1);
    }
    return s;
}

std::string GeneralText(float value) { return General(value, 7); }

std::string GeneralText(double value) { return General(value, 15); }

int64_t RoundToEven(double value) {
    // nearbyint rounds in the current mode, which is to-nearest, ties-to-even.
    return static_cast<int64_t>(std::nearbyint(value));
}

std::string HexText(uint32_t value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", value);
    return buf;
}

std::string HexText16(int16_t value) { return HexText(static_cast<uint16_t>(value)); }

int16_t HexTextToInteger(std::string_view text) {
    if (text.size() > 4) {
        text.remove_prefix(text.size() - 4);
    }
    uint32_t value = 0;
    for (char c : text) {
        value = value * 16 + HexDigit(c);
    }
    return static_cast<int16_t>(value >= 32768 ? int32_t(value) - 65536 : int32_t(value));
}

int32_t HexTextToWord(std::string_view text) {
    uint64_t value = 0;
    for (char c : text) {
        value = value * 16 + HexDigit(c);
        if (value > 65535) {
            return 65535;
        }
    }
    return static_cast<int32_t>(value);
}

std::optional<double> ParseNumber(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    const size_t n = NumberLength(text);
    if (n == 0 || n != text.size()) {
        return std::nullopt;
    }
    return std::strtod(std::string(text).c_str(), nullptr);
}

double LeadingNumber(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    const size_t n = NumberLength(text);
    if (n == 0) {
        return 0.0;
    }
    const double v = std::strtod(std::string(text.substr(0, n)).c_str(), nullptr);
    return std::isfinite(v) ? v : 0.0;
}

std::optional<int16_t> ToInt16(double value) { return ToInteger<int16_t>(value); }

std::optional<int32_t> ToInt32(double value) { return ToInteger<int32_t>(value); }
