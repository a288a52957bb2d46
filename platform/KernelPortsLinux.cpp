#include "platform/KernelPortsLinux.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

// The first decimal number in a base-addr file ("888\t1912\n": I/O base, then ECP base).
std::optional<unsigned long> FirstNumber(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    if (!std::getline(in, line)) {
        return std::nullopt;
    }
    const std::string_view text = Trimmed(line);
    unsigned long value = 0;
    const auto [next, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || next == text.data()) {
        return std::nullopt;
    }
    return value;
}

struct IoRange {
    unsigned long first = 0;
    unsigned long last = 0;
    std::string name;
};

// "  0378-037a : parport0" -> {0x378, 0x37a, "parport0"}.
std::optional<IoRange> ParseIoPortsLine(std::string_view line) {
    const size_t dash = line.find('-');
    const size_t colon = line.find(" : ");
    if (dash == std::string_view::npos || colon == std::string_view::npos || dash > colon) {
        return std::nullopt;
    }
    auto hex = [](std::string_view text, unsigned long& value) {
        text = Trimmed(text);
        const auto [next, error] =
            std::from_chars(text.data(), text.data() + text.size(), value, 16);
        return error == std::errc() && next == text.data() + text.size() && !text.empty();
    };
    IoRange range;
    if (!hex(line.substr(0, dash), range.first) ||
        !hex(line.substr(dash + 1, colon - dash - 1), range.last) || range.last < range.first) {
        return std::nullopt;
    }
    range.name = std::string(Trimmed(line.substr(colon + 3)));
    return range;
}

std::vector<IoRange> IoPorts(const std::string& procRoot) {
    std::vector<IoRange> ranges;
    std::ifstream in(fs::path(procRoot) / "ioports");
    std::string line;
    while (std::getline(in, line)) {
        if (auto range = ParseIoPortsLine(line)) {
            ranges.push_back(std::move(*range));
        }
    }
    return ranges;
}

} // namespace

std::optional<int> FindParport(const std::string& procRoot, uint16_t base) {
    const fs::path parportDir = fs::path(procRoot) / "sys/dev/parport";
    std::vector<int> numbers;
    std::error_code ec;
    for (auto it = fs::directory_iterator(parportDir, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind("parport", 0) != 0) {
            continue; // "default" holds the driver's settings, not a port
        }
        const char* digits = name.data() + 7;
        const char* end = name.data() + name.size();
        int number = 0;
        const auto [next, error] = std::from_chars(digits, end, number);
        if (error == std::errc() && next == end && digits != end) {
            numbers.push_back(number);
        }
    }
    std::sort(numbers.begin(), numbers.end());
    for (int number : numbers) {
        const auto address =
            FirstNumber(parportDir / ("parport" + std::to_string(number)) / "base-addr");
        if (address && *address == base) {
            return number;
        }
    }
    return std::nullopt;
}

bool KernelKnowsParallelPort(const std::string& procRoot, uint16_t base) {
    if (FindParport(procRoot, base)) {
        return true;
    }
    const auto ranges = IoPorts(procRoot);
    return std::any_of(ranges.begin(), ranges.end(), [base](const IoRange& r) {
        return r.first == base && r.name.rfind("parport", 0) == 0;
    });
}

std::vector<std::string> IoPortOwners(const std::string& procRoot, uint16_t base, unsigned count) {
    const unsigned long last = base + (count > 0 ? count - 1 : 0);
    std::vector<std::string> owners;
    for (const auto& r : IoPorts(procRoot)) {
        if (r.first <= last && base <= r.last &&
            std::find(owners.begin(), owners.end(), r.name) == owners.end()) {
            owners.push_back(r.name);
        }
    }
    return owners;
}
