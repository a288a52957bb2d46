// The self-test switching and report, and logs written through "Log Data" to a temporary
// working folder, on the simulated boards behind the parallel port.
#include "app/Analyzer.h"
#include "commands/DataLog.h"
#include "commands/SelfTest.h"
#include "commands/ViewCommands.h"
#include "platform/AppendFile.h"
#include "platform/SimulatorControl.h"
#include "sensors/DeviceSelect.h"
#include "sensors/Sweep.h"
#include "tests/support/SimulatedPortTest.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace {

class SelfTestAndLogTest : public SimulatedPortTest {
protected:
    void Start(void (*selectModel)(), const char* samples) {
        AttachOnPort("", 0x378);
        selectModel();
        App().mdiAnalyzer.DatalogLengthCBX.text = samples;
        DatalogLengthCBX_Click();
        Simulator()->SetAmplitude(0);
    }
    static std::vector<std::string> Lines(const std::string& text) {
        std::vector<std::string> lines;
        for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
            lines.push_back(text.substr(at, end - at));
        }
        return lines;
    }

    TempWorkDir dir;
};

int writeCalls = 0;

// A disk that takes the first write whole, half of the second, and then is full.
ssize_t FillingWrite(int fd, const void* data, size_t size) {
    if (++writeCalls > 2) {
        errno = ENOSPC;
        return -1;
    }
    return ::write(fd, data, writeCalls == 1 ? size : size / 2);
}

} // namespace

TEST_F(SelfTestAndLogTest, GyroscopeTestSwitchesAtTheQuarterPointsAndRestoresTheLines) {
    Start(mnuKxs306_Click, "2048");
    auto& app = App();
    app.mdiAnalyzer.ckSelfTestPos.value = 1;
    ckSelfTestPos_Click();
    mnuTest_Click();
    // The lines switch after the 512th, 1024th and 1536th sample is stored: the shifts
    // (0.08 of full scale, 32 deg/s) begin exactly there.
    const auto& s = app.Samples;
    for (const auto& [index, level] : {std::pair{511, 0.0},
                                       {512, 32.0},
                                       {1023, 32.0},
                                       {1024, -32.0},
                                       {1535, -32.0},
                                       {1536, 0.0},
                                       {2047, 0.0}}) {
        EXPECT_NEAR(s[index], level, 1.0) << index;
    }
    EXPECT_EQ(app.SamplesTaken, 2048);
    ASSERT_EQ(ui.messages.size(), 1u);
    const auto lines = Lines(ui.messages[0].text + "\r\n");
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "Test\t\t dgr/s\t  Lsb");
    const auto column = [](const std::string& line) {
        return std::stod(line.substr(line.find('\t')));
    };
    EXPECT_NEAR(column(lines[3]), 32.0, 0.3);
    EXPECT_NEAR(column(lines[4]), -32.0, 0.3);
    // The box was ticked before: the positive line is on again.
    EXPECT_GT(app.SelfTestPosBit, 0);
    EXPECT_EQ(app.SelfTestNegBit, 0);
    EXPECT_TRUE(app.frmData.lblTest[3].visible);
}

TEST_F(SelfTestAndLogTest, ReportTextOfBothFamilies) {
    Start(mnuKxs202_Click, "2048");
    auto& avg = App().TestAvg;
    avg = {0, -0.25f, 0.25f, -8.0f, 1.0f};
    EXPECT_EQ(SelfTestReport(), "Test\t\t    G\t  Lsb\r\n"
                                "---------------\t-------\t-------\r\n"
                                "Avg X Accel = \t-0.250\t1984.0\r\n"
                                "Avg Y Accel = \t1.000\t2304.0\r\n"
                                "Self Test =\t0.500\t128.0\r\n"
                                "Powerdown = \t-8.000\t0.0\r\n");
    mnuKxs306_Click();
    avg = {0, -1.0f, 9.0f, -11.0f, 0.5f};
    const std::string gyro = SelfTestReport();
    EXPECT_EQ(gyro.substr(gyro.rfind("\r\n") + 2), "Avg Gyro =  \t0.50\t2053.1");
    EXPECT_NE(gyro.find("Avg Gyro =  \t-1.00\t2037.8\r\n"), std::string::npos);
    EXPECT_NE(gyro.find(" -Self Test = \t-10.00\t-102.4\r\n"), std::string::npos);
}

TEST_F(SelfTestAndLogTest, ContinuousPassesAndASecondCommandAppendToOneFile) {
    Start(mnuKxs306_Click, "256");
    auto& app = App();
    app.mdiAnalyzer.chkContinuous.value = 1;
    chkContinuous_Click();
    optAdcIn_Click(2);
    int passes = 0;
    int32_t last = 0;
    ui.OnEveryDoEvents([&] {
        if (app.SampleIndex == 256 && last != 256 && ++passes == 3) {
            cmdStop_Click();
        }
        last = app.SampleIndex;
    });
    cmdLogData_Click();
    ui.OnEveryDoEvents(nullptr);
    EXPECT_EQ(app.mdiAnalyzer.txtFileIndex.text, "2");
    const std::string path = (dir.path() / "KXS306_1.txt").string();
    EXPECT_EQ(app.LogFileName, path);
    EXPECT_EQ(app.mdiAnalyzer.txtDlogFile.toolTip, path);

    app.mdiAnalyzer.txtFileIndex.text = "1";
    app.mdiAnalyzer.chkContinuous.value = 0;
    chkContinuous_Click();
    cmdLogData_Click();
    const auto lines = Lines(dir.Read("KXS306_1.txt"));
    ASSERT_EQ(lines.size(), 2 * 6 + 4 * 256u);
    EXPECT_EQ(lines[0].substr(0, 12), "KXS306\tDate\t");
    EXPECT_EQ(lines[1], "Temperature\t25  dgrC");
    EXPECT_EQ(lines[2], "Num Samples\t256");
    EXPECT_EQ(lines[3], "Loop Delay\t0 mS");
    // One channel chosen: the selected one, named as the data carry it.
    EXPECT_EQ(lines[4], "\tAin1");
    EXPECT_EQ(lines[5], "Sample\tVolts\t");
    for (int pass = 0; pass < 4; ++pass) {
        const size_t first = 6 + 256 * pass + (pass == 3 ? 6 : 0);
        EXPECT_EQ(lines[first].substr(0, 2), "1\t") << pass;
        EXPECT_EQ(lines[first + 255].substr(0, 4), "256\t") << pass;
        EXPECT_NEAR(std::stod(lines[first].substr(2)), 1.25, 0.02) << pass;
    }
    EXPECT_EQ(lines[6 + 3 * 256].substr(0, 12), "KXS306\tDate\t");
}

TEST_F(SelfTestAndLogTest, AFileThatCannotBeWrittenKeepsWhatItHeldAndTheIndex) {
    Start(mnuKxs306_Click, "8192");
    auto& m = App().mdiAnalyzer;
    const std::string old = "earlier run\r\n";
    struct Case {
        const char* base;
        bool diskFills;
        const char* reason;
    };
    for (const Case& c : {Case{"a/b", false, "may not contain \"/\""},
                          Case{"busy", false, "busy_1.txt: Is a directory."},
                          Case{"full", true, "full_1.txt: No space left on device."}}) {
        SCOPED_TRACE(c.base);
        std::filesystem::create_directory(dir.path() / "busy_1.txt");
        dir.Write("full_1.txt", old);
        m.txtDlogFile.text = c.base;
        m.txtFileIndex.text = "1";
        ui.messages.clear();
        writeCalls = 0;
        SetFileWriteFunction(c.diskFills ? FillingWrite : nullptr);
        cmdLogData_Click();
        SetFileWriteFunction(nullptr);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].text.find(c.reason), std::string::npos) << ui.messages[0].text;
        EXPECT_EQ(m.txtFileIndex.text, "1");
        EXPECT_EQ(m.statusText.substr(0, 20), ui.messages[0].text.substr(0, 20));
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "a"));
    // The header went in; the pass's first lines went in half, were cut away whole, and the
    // run ended there.
    const std::string full = dir.Read("full_1.txt");
    EXPECT_EQ(full.substr(0, old.size()), old);
    EXPECT_EQ(Lines(full).size(), 1 + 6u);
    EXPECT_EQ(full.substr(full.size() - 2), "\r\n");
    EXPECT_LT(App().SampleIndex, 8192);
}
