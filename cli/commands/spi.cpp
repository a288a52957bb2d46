// spi: raw words through the USB adapter, the answers in hexadecimal.
#include "cli/Command.h"
#include "cli/Formats.h"

Command SpiCommand() {
    return {"spi", "send raw words to the USB adapter, print the answers in hex", kBoard | kOutput,
            [](CLI::App& command, CliOptions& o) {
                AddTextOrJson(command, o, "an array of each transfer's words");
                command
                    .add_option("--words", o.words,
                                "1 to 16 words of up to 4 hexadecimal digits, comma-separated")
                    ->delimiter(',')
                    ->required()
                    ->check(CLI::Validator(
                        [](std::string& text) {
                            return quelto::parse_hex16(text)
                                       ? std::string()
                                       : text + " is not a 16-bit hexadecimal word";
                        },
                        "HEX"));
                command
                    .add_option("--static-bits", o.staticBits,
                                "chip-select lines held high, of 2 to 5, comma-separated (default: "
                                "unchanged)")
                    ->delimiter(',')
                    ->check(WholeNumber(2, 5));
                command
                    .add_option("--word-delay", o.wordDelay,
                                "delay between words, us (default: unchanged)")
                    ->check(WholeNumber(1, 255));
                command.add_option("--loop", o.loop, "transfers of the words")
                    ->check(WholeNumber(1, 100000000))
                    ->capture_default_str();
                command
                    .add_option("--cs", o.chipSelect, "chip-select channel (default: unchanged)")
                    ->check(WholeNumber(1, 4));
            },
            [](Context& c) {
                auto& o = c.options;
                if (o.interfaceName.empty()) {
                    o.interfaceName = "usb";
                } else if (o.interfaceName != "usb") {
                    throw quelto::Error(quelto::ErrorKind::Usage,
                                        "raw SPI words go to a USB adapter only", "interface");
                }
                quelto::Session& session = c.Open(true);
                std::vector<uint16_t> words;
                for (const auto& word : o.words) {
                    words.push_back(*quelto::parse_hex16(word));
                }
                const auto answers =
                    session.spi(words, {o.chipSelect, o.staticBits, o.wordDelay, o.loop});
                c.Write(c.Json() ? SpiJson(answers).dump() + "\n" : SpiText(answers));
                c.Commit();
            }};
}
