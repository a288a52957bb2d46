#include "app/ConfigFile.h"

#include "app/Analyzer.h"
#include "app/TextFormat.h"
#include "interfaces/Interface.h"
#include "platform/Privileges.h"
#include "sensors/Acquisition.h"
#include "sensors/SensorModels.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
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
    if (key == "Device") {
        Catalogue().DeviceName = std::string(value);
    } else if (key == "Interface") {
        if (auto n = ParseNumber(value)) {
            if (auto v = ToInt16(*n)) {
                Interface().InterfaceCode = *v;
            }
        }
    } else if (key == "Plot Samples") {
        if (auto n = ParseNumber(value)) {
            if (auto v = ToInt32(*n)) {
                // A length the sample buffers cannot hold is treated like a missing one.
                Acquisition().SweepLength = (*v < 0 || *v > kMaxSampleIndex) ? 0 : *v;
            }
        }
    } else if (key == "Port Address") {
        if (auto n = ParseNumber(value)) {
            if (auto v = ToInt16(*n)) {
                Interface().PortAddress = *v;
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

// Short reads and interrupted calls are retried; false on an error.
bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        text.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

void ReadConfigFile(const std::filesystem::path& path) {
    // A FIFO or a device with this name would block or never end: only a regular file is
    // read, and opening it must not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return;
    }
    std::string line;
    bool overlong = false;
    char buf[4096];
    auto endLine = [&] {
        if (!overlong) {
            ApplyLine(line);
        }
        line.clear();
        overlong = false;
    };
    for (;;) {
        const ssize_t got = ::read(fd, buf, sizeof buf);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        for (ssize_t i = 0; i < got; ++i) {
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
    ::close(fd);
}

void SaveSettings() {
    // Before start-up read them, writing would replace the saved settings with defaults.
    if (App().SettingsRead) {
        WriteConfigFile();
    }
}

void SaveSettingsAtExit() {
    auto& app = App();
    if (app.SettingsSaved || !app.SettingsRead) {
        return;
    }
    app.SettingsSaved = true;
    // A program that kept root for raw port I/O writes the file as the user who ran it.
    DropToInvokingUser();
    WriteConfigFile();
}

void WriteConfigFile(const std::filesystem::path& path) {
    std::string text;
    text.append("Device = ").append(Catalogue().DeviceName).append("\r\n");
    text.append("Interface = ").append(NumberText(Interface().InterfaceCode)).append("\r\n");
    text.append("Plot Samples = ").append(NumberText(Acquisition().SweepLength)).append("\r\n");
    text.append("Port Address = ").append(NumberText(Interface().PortAddress)).append("\r\n");

    // Written beside the old file and swapped in, so an interrupted exit leaves either the
    // old file or the new one. The temporary gets a fresh name that nobody could have
    // planted a link at (the program may run as root in a folder others can write).
    std::filesystem::path folder = path.parent_path();
    std::string temp = (folder.empty() ? std::filesystem::path(".") : folder) / path.filename();
    temp += ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        return;
    }
    // The new file keeps the old one's owner and permissions; a first file gets what a
    // plain create would give.
    struct stat old {};
    if (::lstat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        [[maybe_unused]] const int owned = ::fchown(fd, old.st_uid, old.st_gid);
        ::fchmod(fd, old.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    bool ok = WriteAll(fd, text);
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
    }
}
