// The "&Print" and "&Help" commands with the fake frontend: what the user is told, what a
// print does to a running sweep, and which help page opens from where. Also that the help's
// pages link only to pages that exist.
#include "commands/UtilityCommands.h"
#include "platform/ProgramPath.h"
#include "sensors/DeviceSelect.h"
#include "sensors/Sweep.h"
#include "tests/support/SimulatedPortTest.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

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

std::string ReadAll(const fs::path& path) {
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

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

TEST_F(UtilityCommandsTest, HelpOpensBesideTheProgramElseInTheSourceTreeElseSaysWhereItLooked) {
    const fs::path beside = dir.path() / "bin/help/index.html";
    const fs::path inTree = dir.path() / "src/docs/help/index.html";
    const ProgramFolders folders{(dir.path() / "bin").string(), (dir.path() / "src").string()};
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
}

TEST_F(UtilityCommandsTest, EveryHelpPageIsListedOnTheContentsAndEveryLinkLeadsToAPage) {
    const fs::path help = fs::path(ProgramPaths().source) / "docs/help";
    const std::string contents = ReadAll(help / "index.html");
    const std::regex link(R"(href="([^"#]*)(#[^"]*)?")");
    int pages = 0;
    for (const auto& entry : fs::directory_iterator(help)) {
        if (entry.path().extension() != ".html") {
            continue;
        }
        ++pages;
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "index.html" || contents.find('"' + name + '"') != std::string::npos)
            << name << " is not on the contents page";
        const std::string text = ReadAll(entry.path());
        for (std::sregex_iterator it(text.begin(), text.end(), link), end; it != end; ++it) {
            const std::string target = (*it)[1];
            EXPECT_TRUE(target.empty() || fs::is_regular_file(help / target))
                << name << " links to " << target;
        }
    }
    EXPECT_GE(pages, 10);
}
