// The "&Print" and "&Help" commands with the fake frontend: what the user is told, what a
// print does to a running sweep, and which help page opens from where.
#include "commands/DeviceSelect.h"
#include "commands/Sweep.h"
#include "commands/UtilityCommands.h"
#include "platform/ProgramPath.h"
#include "tests/support/SimulatedPortTest.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class UtilityCommandsTest : public SimulatedPortTest {
protected:
    void TearDown() override {
        InstallProgramFolders(nullptr);
        SimulatedPortTest::TearDown();
    }
    TempWorkDir dir;
};

} // namespace

TEST_F(UtilityCommandsTest, PrintSaysErrorPrintingOnlyWhenItFailsAndEndsARunningSweep) {
    for (bool printed : {true, false}) {
        ui.printResult = printed;
        mnuPrint_Click();
    }
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Error Printing"});

    // The printer dialog holds the sweep up; the sweep ends rather than go on with a gap.
    AttachOnPort("", 0x378);
    mnuKxs306_Click();
    App().SweepLength = 256;
    ui.OnEveryDoEvents([&] {
        if (App().SamplesTaken == 10 && ui.printCalls == 2) {
            mnuPrint_Click();
        }
    });
    cmdSingleSweep_Click();
    EXPECT_EQ(ui.printCalls, 3);
    EXPECT_LT(App().SamplesTaken, 12);
}

TEST_F(UtilityCommandsTest,
       HelpOpensFromTheInstalledDataElseFromTheSourceTreeElseSaysWhereItLooked) {
    const fs::path beside = dir.path() / "share/quelto-eval/help/index.html";
    const fs::path inTree = dir.path() / "src/docs/help/index.html";
    const ProgramFolders folders{(dir.path() / "bin").string(), (dir.path() / "src").string(),
                                 (dir.path() / "share/quelto-eval").string()};
    InstallProgramFolders(&folders);
    auto opened = [&] {
        ui.helpShown.clear();
        ui.messages.clear();
        mnuHelp_Click();
        return ui.helpShown.empty() ? std::string() : ui.helpShown.at(0);
    };

    EXPECT_EQ(opened(), "");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              "The help could not be found at " + beside.string() + " or " + inTree.string() + ".");
    fs::create_directories(inTree.parent_path());
    std::ofstream(inTree) << "<html></html>";
    EXPECT_EQ(opened(), inTree.string());
    fs::create_directories(beside); // a folder of that name is no page
    EXPECT_EQ(opened(), inTree.string());
    fs::remove(beside);
    std::ofstream(beside) << "<html></html>";
    EXPECT_EQ(opened(), beside.string());

    InstallProgramFolders(nullptr);
    EXPECT_TRUE(fs::is_regular_file(fs::path(ProgramPaths().program) / "coretests"));
    EXPECT_EQ(fs::path(ProgramPaths().data).filename(), "quelto-eval");
}
