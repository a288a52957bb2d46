#include "app/ConfigFile.h"

#include "app/Analyzer.h"
#include "interfaces/Interface.h"
#include "platform/Frontend.h"
#include "platform/Privileges.h"
#include "platform/ReplacingFile.h"
#include "platform/TextFormat.h"
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

// A FIFO or a device with this name would block or never end: only a regular file is read,
// and opening it must not wait for a writer. -1 for anything else.
int OpenRegularFile(const std::filesystem::path& path, struct stat& st) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Interrupted calls are retried; -1 on an error, 0 at the end.
ssize_t ReadSome(int fd, char* buffer, size_t size) {
    ssize_t got = 0;
    do {
        got = ::read(fd, buffer, size);
    } while (got < 0 && errno == EINTR);
    return got;
}

// The file holds exactly these bytes, so writing them again would change nothing.
bool Holds(const std::filesystem::path& path, std::string_view text) {
    struct stat st {};
    const int fd = OpenRegularFile(path, st);
    if (fd < 0) {
        return false;
    }
    std::string held;
    if (static_cast<size_t>(st.st_size) == text.size()) {
        // One byte more than expected: a file that grew meanwhile differs.
        held.resize(text.size() + 1);
        size_t filled = 0;
        ssize_t got = 0;
        while (filled < held.size() &&
               (got = ReadSome(fd, &held[filled], held.size() - filled)) > 0) {
            filled += static_cast<size_t>(got);
        }
        held.resize(filled);
    }
    ::close(fd);
    return held == text;
}

std::string SettingsText() {
    std::string text;
    text.append("Device = ").append(Catalogue().DeviceName).append("\r\n");
    text.append("Interface = ").append(NumberText(Interface().InterfaceCode)).append("\r\n");
    text.append("Plot Samples = ").append(NumberText(Acquisition().SweepLength)).append("\r\n");
    text.append("Port Address = ").append(NumberText(Interface().PortAddress)).append("\r\n");
    return text;
}

// Said once a run: in a box while the windows are up, on standard error on the way out,
// where a box would hold up a logout or a signal.
void ReportUnsaved(const std::string& reason, bool leaving) {
    auto& app = App();
    if (app.SettingsFailureReported) {
        return;
    }
    app.SettingsFailureReported = true;
    std::error_code error;
    const std::filesystem::path where = std::filesystem::absolute(kConfigFileName, error);
    const std::string text = "The settings could not be saved in " +
                             (error ? std::string(kConfigFileName) : where.string()) + ": " +
                             reason +
                             ".\nThey stay in use until the program ends, but the next "
                             "start will not have them.";
    if (leaving) {
        std::fprintf(stderr, "queltoeval: %s\n", text.c_str());
    } else {
        Ui().MsgBox(text);
    }
}

void WriteSettings(bool leaving) {
    App().SettingsKept = SettingsText();
    std::string reason;
    if (!WriteConfigFile(kConfigFileName, &reason)) {
        ReportUnsaved(reason, leaving);
    }
}

} // namespace

void ReadConfigFile(const std::filesystem::path& path) {
    struct stat st {};
    const int fd = OpenRegularFile(path, st);
    if (fd < 0) {
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
    ssize_t got = 0;
    while ((got = ReadSome(fd, buf, sizeof buf)) > 0) {
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

void ReadSettings() {
    ReadConfigFile();
    App().SettingsKept = SettingsText();
    App().SettingsRead = true;
}

void SaveChangedSettings() {
    auto& app = App();
    // Before start-up read them, writing would replace the saved settings with defaults.
    if (!app.SettingsRead || SettingsText() == app.SettingsKept) {
        return;
    }
    // Root that is to be given up writes nothing: the exit writes them as the user.
    if (!HoldsRootToGiveUp()) {
        WriteSettings(false);
    }
}

void SaveSettings() {
    if (App().SettingsRead && !HoldsRootToGiveUp()) {
        WriteSettings(true);
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
    WriteSettings(true);
}

bool WriteConfigFile(const std::filesystem::path& path, std::string* reason) {
    const std::string text = SettingsText();
    std::string error;
    // Written beside the old file and swapped in whole, so that an interrupted write leaves
    // either the old file or the new one.
    if (Holds(path, text) || ReplacingFile::WriteWhole(path.string(), text, error)) {
        return true;
    }
    if (reason != nullptr) {
        *reason = error;
    }
    return false;
}
