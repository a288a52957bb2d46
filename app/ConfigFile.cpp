#include "app/ConfigFile.h"

#include "app/Analyzer.h"
#include "app/TextFormat.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>

namespace {

// Longer lines are not settings; their text is not kept, so a huge file costs no memory.
constexpr size_t kMaxLineLength = 1024;

void ApplyField(std::string_view field) {
    while (!field.empty() && field.front() == ' ') {
        field.remove_prefix(1);
    }
    const size_t eq = field.find('=');
    // "=" missing or within the first two characters: not a setting.
    if (eq == std::string_view::npos || eq < 2) {
        return;
    }
    const std::string_view key = field.substr(0, eq - 1);
    const std::string_view value = eq + 2 <= field.size() ? field.substr(eq + 2) : "";
    auto& app = App();
    if (key == "Device") {
        app.DeviceName = std::string(value);
    } else if (key == "Interface") {
        if (auto n = ParseNumber(value)) {
            if (auto v = ToInt16(*n)) {
                app.InterfaceCode = *v;
            }
        }
    } else if (key == "Plot Samples") {
        if (auto n = ParseNumber(value)) {
            if (auto v = ToInt32(*n)) {
                // A length the sample buffers cannot hold is treated like a missing one.
                app.SweepLength = (*v < 0 || *v > kMaxSampleIndex) ? 0 : *v;
            }
        }
    } else if (key == "Port Address") {
        if (auto n = ParseNumber(value)) {
            if (auto v = ToInt16(*n)) {
                app.PortAddress = *v;
            }
        }
    }
}

// A line splits into fields at commas, as the file's reader always did.
void ApplyLine(std::string_view line) {
    size_t start = 0;
    while (true) {
        const size_t comma = line.find(',', start);
        ApplyField(line.substr(start, comma == std::string_view::npos ? comma : comma - start));
        if (comma == std::string_view::npos) {
            return;
        }
        start = comma + 1;
    }
}

// Sign character (blank or "-"), digits, one trailing blank.
std::string NumberText(long value) {
    std::string text(1, value < 0 ? '-' : ' ');
    text += std::to_string(value < 0 ? -value : value);
    text += ' ';
    return text;
}

} // namespace

void ReadConfigFile(const std::filesystem::path& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return;
    }
    std::string line;
    bool overlong = false;
    char buf[4096];
    size_t got;
    auto endLine = [&] {
        if (!overlong) {
            ApplyLine(line);
        }
        line.clear();
        overlong = false;
    };
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) {
        for (size_t i = 0; i < got; ++i) {
            const char c = buf[i];
            if (c == '\n' || c == '\r') {
                endLine();
            } else if (line.size() < kMaxLineLength) {
                line.push_back(c);
            } else {
                overlong = true;
            }
        }
    }
    endLine();
    std::fclose(f);
}

void WriteConfigFile(const std::filesystem::path& path) {
    const auto& app = App();
    std::string text;
    text.append("Device = ").append(app.DeviceName).append("\r\n");
    text.append("Interface = ").append(NumberText(app.InterfaceCode)).append("\r\n");
    text.append("Plot Samples = ").append(NumberText(app.SweepLength)).append("\r\n");
    text.append("Port Address = ").append(NumberText(app.PortAddress)).append("\r\n");

    // Write beside the old file and swap it in, so an interrupted exit leaves either the
    // old file or the new one, never a truncated one.
    std::filesystem::path temp = path;
    temp += ".tmp" + std::to_string(::getpid());
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (f == nullptr) {
        return;
    }
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = std::fflush(f) == 0 && ok;
    ok = ::fsync(::fileno(f)) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    std::error_code ec;
    if (ok) {
        std::filesystem::rename(temp, path, ec);
    }
    if (!ok || ec) {
        std::filesystem::remove(temp, ec);
    }
}
