// The command-line program's output, byte for byte, against runs recorded in golden/: each
// file there starts with "$ ARGS" and holds the exit status, standard output, standard error
// and every file the run left in its working folder or changed there. QUELTO_UPDATE_GOLDEN=1
// records them anew.
//
// What the clock decides is written as "*": the measured sample period and rate, the
// spectrum's frequencies (the bin width is the measured rate over the points), the log's date
// and the working folder's path.
#include "QueltoVersion.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <set>

namespace {

const std::filesystem::path kGolden = QUELTO_GOLDEN_DIR;

std::string ReadFile(const std::filesystem::path& path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

std::string Normalise(const std::string& text, const std::string& workDir) {
    static const std::pair<std::regex, const char*> rules[] = {
        {std::regex(R"re(^(# (period_ms|sample_rate_hz|peak_frequency_hz)[\t,]).*)re"), "$1*"},
        {std::regex(
             R"re("(period_ms|sample_rate_hz|bin_width_hz|frequency_hz)":(\[[^\]]*\]|[^,}]*))re"),
         "\"$1\":*"},
        {std::regex(R"re(^(\S+\tDate\t).*)re"), "$1*"},
        // A spectrum's rows: bin, frequency, magnitude.
        {std::regex(R"re(^(\d+([\t,]))[^\t,]+(\2[^\t,]+)$)re"), "$1*$3"},
    };
    std::istringstream lines(text);
    std::string normalised;
    bool spectrum = false;
    for (std::string line; std::getline(lines, line);) {
        for (size_t at; (at = line.find(workDir)) != std::string::npos;) {
            line.replace(at, workDir.size(), "$WORK");
        }
        // The version moves with every commit.
        if (line == QUELTO_VERSION) {
            line = "$VERSION";
        }
        spectrum = line.starts_with("bin\tfrequency_hz") || line.starts_with("bin,frequency_hz") ||
                   (spectrum && !line.starts_with("--- "));
        for (size_t k = 0; k < std::size(rules); ++k) {
            if (k + 1 < std::size(rules) || spectrum) {
                line = std::regex_replace(line, rules[k].first, rules[k].second);
            }
        }
        normalised += line + "\n";
    }
    return normalised;
}

// One recorded run: the command line, then what it did.
std::string Record(const std::string& args, const TempWorkDir& dir) {
    const std::string work = dir.path().string();
    for (const auto& input : std::filesystem::directory_iterator(kGolden / "input")) {
        std::filesystem::copy_file(input.path(), dir.path() / input.path().filename());
    }
    const std::string command = "cd '" + work + "' && '" QUELTO_CLI_PROGRAM "' " + args + " >'" +
                                work + "/.out' 2>'" + work + "/.err' </dev/null";
    const int status = std::system(command.c_str());
    std::string record = "$ " + args + "\nexit " + std::to_string(WEXITSTATUS(status)) + "\n";
    record += "--- stdout\n" + ReadFile(dir.path() / ".out") + "--- stderr\n" +
              ReadFile(dir.path() / ".err");
    // Every file the run left behind or changed, in name order; inputs it left alone are not.
    std::set<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        const std::string name = entry.path().filename().string();
        const auto input = kGolden / "input" / name;
        if (name != ".out" && name != ".err" &&
            (!std::filesystem::exists(input) || ReadFile(input) != ReadFile(entry.path()))) {
            written.insert(name);
        }
    }
    for (const auto& name : written) {
        record += "--- file " + name + "\n" + ReadFile(dir.path() / name);
    }
    return Normalise(record, work);
}

TEST(CliGolden, EveryCommandAsRecorded) {
    const bool update = std::getenv("QUELTO_UPDATE_GOLDEN") != nullptr;
    int cases = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kGolden)) {
        if (entry.path().extension() != ".txt") {
            continue;
        }
        const std::string expected = ReadFile(entry.path());
        const std::string args = expected.substr(2, expected.find('\n') - 2);
        SCOPED_TRACE(entry.path().filename().string() + ": " + args);
        const TempWorkDir dir;
        const std::string actual = Record(args, dir);
        if (update) {
            std::ofstream(entry.path(), std::ios::binary) << actual;
        }
        EXPECT_EQ(actual, expected);
        ++cases;
    }
    EXPECT_GT(cases, 30);
}

} // namespace
