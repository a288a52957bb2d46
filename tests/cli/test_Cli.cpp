// The command-line program's contract with scripts beyond its recorded runs: Ctrl+C ends a
// continuous run with complete output.
#include "cli/CliApp.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <sstream>
#include <thread>

namespace {

using CliTest = AppStateTest;

TEST_F(CliTest, InterruptEndsAContinuousRunWithCompleteOutput) {
    TempWorkDir dir;
    std::ostringstream out, err;
    // Late enough for the first sweep to end on a busy machine, timing probes included.
    std::thread user([] {
        std::this_thread::sleep_for(std::chrono::seconds(2));
        RequestInterrupt();
    });
    const int code = RunCli({"sweep", "--simulate=KXS306", "--continuous", "--samples", "256",
                             "--format", "json", "-q"},
                            out, err);
    user.join();
    ClearInterrupt();
    EXPECT_EQ(code, 130) << err.str();
    const std::string json = out.str();
    EXPECT_EQ(json.substr(json.size() - 3), "]}\n");
    EXPECT_NE(json.find("\"statistics\""), std::string::npos);
}

} // namespace
