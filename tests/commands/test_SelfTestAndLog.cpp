// Logs written through "Log Data" to a temporary working folder, on the simulated board
// behind the parallel port.
#include "commands/DataLog.h"
#include "commands/DeviceSelect.h"
#include "commands/SelfTest.h"
#include "commands/Sweep.h"
#include "commands/ViewCommands.h"
#include "interfaces/UsbSpiDrivers.h"
#include "platform/AppendFile.h"
#include "sensors/Acquisition.h"
#include "tests/support/ScriptedEzUsb.h"
#include "tests/support/SimulatedPortTest.h"
#include "tests/support/TempDir.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

namespace {

class SelfTestAndLogTest : public SimulatedPortTest {
protected:
    void SetUp() override {
        SimulatedPortTest::SetUp();
        AttachOnPort("", 0x378);
        mnuKxs306_Click();
        App().mdiAnalyzer.DatalogLengthCBX.text = "256";
        DatalogLengthCBX_Click();
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

TEST_F(SelfTestAndLogTest, TheSelfTestRefusesASweepTooShortForItsPhases) {
    Acquisition().SweepLength = kSelfTestMinSamples - 1;
    const auto result = mnuTest_Click();
    EXPECT_EQ(result.outcome, Outcome::Refused);
    EXPECT_TRUE(result.shownInBox);
    EXPECT_NE(result.reason.find("at least 8 samples"), std::string::npos) << result.reason;
}

TEST_F(SelfTestAndLogTest, ContinuousPassesAndASecondCommandAppendToOneFile) {
    auto& app = App();
    auto& m = app.mdiAnalyzer;
    m.chkContinuous.value = 1;
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
    EXPECT_EQ(m.txtFileIndex.text, "2");
    EXPECT_EQ(m.txtDlogFile.toolTip, (dir.path() / "KXS306_1.txt").string());
    m.txtFileIndex.text = "1";
    m.chkContinuous.value = 0;
    chkContinuous_Click();
    cmdLogData_Click();
    const auto lines = Lines(dir.Read("KXS306_1.txt"));
    ASSERT_EQ(lines.size(), 2 * 6 + 4 * 256u);
    // One channel chosen: the selected one. The header's other lines are the recorded runs'.
    EXPECT_EQ(lines[4], "\tAin1");
    // Three passes under one header, then the second command's header and pass; how a pass
    // numbers its lines is the recorded logs'.
    for (size_t header : {0u, 6 + 3 * 256u}) {
        EXPECT_EQ(lines[header].substr(0, 12), "KXS306\tDate\t") << header;
    }
}

// Another run (another process, or the command line beside the windows) holds its log's lock
// for as long as it writes; this one holds its own the same way.
TEST_F(SelfTestAndLogTest, ALogAnotherRunIsWritingIsLeftForTheNextNumber) {
    auto& m = App().mdiAnalyzer;
    dir.Write("KXS306_1.txt", "another run\r\n");
    const int other = ::open("KXS306_1.txt", O_RDONLY);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    int heldWhileWriting = -1;
    ui.OnEveryDoEvents([&] {
        const int fd = ::open("KXS306_2.txt", O_RDONLY);
        if (heldWhileWriting < 0 && fd >= 0) {
            heldWhileWriting = ::flock(fd, LOCK_EX | LOCK_NB) != 0 ? 1 : 0;
        }
        ::close(fd);
    });
    cmdLogData_Click();
    ::close(other);
    EXPECT_EQ(heldWhileWriting, 1);
    EXPECT_EQ(dir.Read("KXS306_1.txt"), "another run\r\n");
    EXPECT_EQ(m.txtDlogFile.toolTip, (dir.path() / "KXS306_2.txt").string());
    EXPECT_EQ(m.txtFileIndex.text, "3");
    EXPECT_EQ(Lines(dir.Read("KXS306_2.txt")).size(), 6 + 256u);
}

TEST_F(SelfTestAndLogTest, AFileThatCannotBeWrittenKeepsWhatItHeldAndTheIndex) {
    auto& m = App().mdiAnalyzer;
    cmdSingleSweep_Click();
    const std::string swept = App().frmData.lblRMS.caption;
    const std::string old = "earlier run\r\n";
    std::filesystem::create_directory(dir.path() / "busy_1.txt");
    dir.Write("full_1.txt", old);
    for (const auto& [base, reason] : {std::pair{"a/b", "may not contain \"/\""},
                                       {"busy", "busy_1.txt: Is a directory."},
                                       {"full", "full_1.txt: No space left on device."}}) {
        SCOPED_TRACE(base);
        m.txtDlogFile.text = base;
        m.txtFileIndex.text = "1";
        ui.messages.clear();
        writeCalls = 0;
        SetFileWriteFunction(std::string(base) == "full" ? FillingWrite : nullptr);
        cmdLogData_Click();
        SetFileWriteFunction(nullptr);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].text.find(reason), std::string::npos) << ui.messages[0].text;
        EXPECT_EQ(m.txtFileIndex.text, "1");
        EXPECT_EQ(m.statusText.substr(0, 20), ui.messages[0].text.substr(0, 20));
        // A log that took no sample leaves the sweep's readouts on show with its trace.
        EXPECT_EQ(App().frmData.lblRMS.caption == swept, std::string(base) != "full");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "a"));
    // The header went in; the pass's lines went in half and were cut away whole.
    const std::string full = dir.Read("full_1.txt");
    EXPECT_EQ(full.substr(0, old.size()), old);
    EXPECT_EQ(Lines(full).size(), 1 + 6u);
    EXPECT_EQ(full.substr(full.size() - 2), "\r\n");
}

TEST_F(SelfTestAndLogTest, ALostAdapterEndsTheLogWithTheLastWholeSampleAndTheInterface) {
    ScriptedEzUsbDriver usb;
    usb.Attach(0);
    auto& app = App();
    FindUsbAdapters();
    app.InterfaceCode = 2;
    mnuKxs307_Click();
    usb.failIf = [](const RecordedRequest&) { return App().SamplesTaken >= 20; };
    cmdLogData_Click();
    // The failed transfer gives no line.
    EXPECT_EQ(Lines(dir.Read("KXS307_1.txt")).size(), 6 + 20u);
    EXPECT_EQ(app.InterfaceCode, 0);
    EXPECT_EQ(app.mdiAnalyzer.txtFileIndex.text, "2");
}
