// The command-line program's contract with scripts beyond its recorded runs: a failed run
// leaves no output file and keeps the one it would have replaced, and Ctrl+C ends a
// continuous run with complete output.
#include "app/Hardware.h"
#include "cli/CliApp.h"
#include "platform/SimulatorControl.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/TempDir.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <thread>

namespace {

class CliTest : public AppStateTest {
protected:
    int Run(std::vector<std::string> args) {
        out.str({});
        err.str({});
        args.push_back("-q");
        return RunCli(args, out, err);
    }
    std::string Err() const { return err.str(); }

    TempWorkDir dir;
    std::ostringstream out, err;
};

TEST_F(CliTest, BadInputNamesTheOptionAndLeavesNoOutput) {
    dir.Write("kept.tsv", "earlier\n");
    const struct {
        std::vector<std::string> args;
        int code;
        const char* named;
    } cases[] = {
        {{"sweep", "--simulate=KXS306", "--port", "zz"}, 2, "--port"},
        {{"sweep", "--simulate=KXS306", "--samples", "0"}, 2, "--samples"},
        {{"sweep", "--simulate=KXS306", "--samples", "70000"}, 2, "--samples"},
        {{"sweep", "--simulate=KXS306", "--delay", "-1"}, 2, "--delay"},
        {{"spi", "--simulate=KXS306", "--words", "12345"}, 2, "--words"},
        {{"sweep", "--simulate=KXS306", "-o", "/nonexistent/x.tsv"}, 1, "--output"},
        {{"sweep", "--simulate=KXS306", "--interface", "usb", "--adapter", "2", "-o", "kept.tsv"},
         1,
         "--adapter"},
        {{"sweep", "--simulate=KXS306", "--interface", "none", "-o", "new.tsv"}, 1, "interface"},
        {{"sweep", "--simulate=KXS306", "--samples", "16", "--config", "nowhere/q.cfg", "-o",
          "new.tsv"},
         1,
         "--config: cannot write nowhere/q.cfg: No such file"},
        {{"noise", "--from-log", "kept.tsv", "--rate", "100"}, 1, "not a log"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        EXPECT_EQ(Run(c.args), c.code) << Err();
        EXPECT_NE(Err().find(c.named), std::string::npos) << Err();
        EXPECT_EQ(out.str(), "");
    }
    EXPECT_EQ(dir.Read("kept.tsv"), "earlier\n");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "new.tsv"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST_F(CliTest, InterruptEndsAContinuousRunWithCompleteOutput) {
    std::thread user([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        RequestInterrupt();
    });
    const int code =
        Run({"sweep", "--simulate=KXS306", "--continuous", "--samples", "256", "--format", "json"});
    user.join();
    ClearInterrupt();
    EXPECT_EQ(code, 130) << Err();
    const std::string json = out.str();
    EXPECT_EQ(json.substr(json.size() - 3), "]}\n");
    EXPECT_NE(json.find("\"statistics\""), std::string::npos);
}

// A log of the simulated gyroscope's noise alone, analysed from the file at the board's own
// rate, gives back the configured density through both commands; a record the analysis
// refuses is a failed run with its reason and no data.
TEST_F(CliTest, NoiseOfALoggedRecordAndBadRecords) {
    ASSERT_EQ(Run({"log", "--simulate=KXS306", "--sim-amplitude", "0", "--samples", "32768"}), 0)
        << Err();
    CommandLine simulate;
    simulate.simulate = true;
    simulate.simulateModel = "KXS306";
    InstallHardware(simulate);
    const std::string rate = std::to_string(Simulator()->ConversionRateHz());
    RemoveHardware();
    for (const char* command : {"noise", "adev"}) {
        ASSERT_EQ(Run({command, "--from-log", "KXS306_1.txt", "--rate", rate, "--format", "json"}),
                  0)
            << Err();
        const auto figures = nlohmann::json::parse(out.str());
        const double density = figures.contains("floor")
                                   ? figures["floor"].get<double>()
                                   : std::sqrt(2.0) * figures["white_noise"].get<double>();
        EXPECT_NEAR(density, 0.05, 0.005) << command;
    }

    // An analysis that refuses the record fails the run.
    EXPECT_EQ(Run({"noise", "--from-log", "KXS306_1.txt", "--rate", "100", "--segment", "65536"}),
              1);
    EXPECT_NE(Err().find("shorter than one segment"), std::string::npos) << Err();
    EXPECT_EQ(out.str(), "");
}

} // namespace
