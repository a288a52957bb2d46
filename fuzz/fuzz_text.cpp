// The console's and the command line's number and hexadecimal word parsers on any text, with
// what each promises of the others.
#include "commands/UsbDebug.h"
#include "platform/TextFormat.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const int32_t word = HexTextToWord(text);
    Check(word >= 0 && word <= 65535);
    if (WordBoxAccepts(text)) {
        // What the box lets through is read exactly, and shows again as typed (upper case,
        // no leading zeros).
        Check(word == static_cast<int32_t>(std::strtoul(std::string(text).c_str(), nullptr, 16)));
        Check(HexTextToWord(HexText(static_cast<uint32_t>(word))) == word);
        Check(HexTextToInteger(text) == static_cast<int16_t>(word));
    }
    const int16_t integer = HexTextToInteger(text);
    Check(HexTextToInteger(HexText16(integer)) == integer);

    const double leading = LeadingNumber(text);
    Check(std::isfinite(leading));
    if (const auto number = ParseNumber(text)) {
        Check(std::isnan(*number) || !std::isfinite(*number) || *number == leading);
        (void)ToInt16(*number);
        (void)ToInt32(*number);
    }
    if (WordCountBoxAccepts(text)) {
        const auto count = ToInt32(leading);
        Check(count && *count <= 255);
    }
    if (DelayBoxAccepts(text)) {
        Check(leading >= 0 && leading < 1000);
    }
    (void)Format(leading, "0.000");
    (void)GeneralText(leading);
    if (std::fabs(leading) <= 3.4e38) {
        (void)GeneralText(static_cast<float>(leading));
    }
    return 0;
}
