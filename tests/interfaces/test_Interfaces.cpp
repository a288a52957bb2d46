// The interfaces: the parallel port's set-up against a recording port, and the adapter's host
// side and the dialogs over it against the simulated adapters recorded and failing on demand:
// bytes on the wire, the scan, the state and messages after each kind of failure, the
// selection dialog, the main window's USB commands and the debug console.
#include "commands/DeviceSelect.h"
#include "commands/PortSetup.h"
#include "commands/Sweep.h"
#include "commands/UsbDebug.h"
#include "commands/UsbSelect.h"
#include "interfaces/UsbSpiDrivers.h"
#include "platform/AdapterIds.h"
#include "sensors/ReadData.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/FakeClock.h"
#include "tests/support/PortRecorder.h"
#include "tests/support/ScriptedEzUsb.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Writes = std::vector<Bytes>;

class InterfaceTest : public AppStateTest {
protected:
    void SetUp() override {
        AppStateTest::SetUp();
        App().OsName = "Linux";
        App().PortAddress = 0x378;
    }
    void TearDown() override {
        ClosePort();
        AppStateTest::TearDown();
    }
    // The user types text into the port dialog and presses OK (or Cancel).
    void Answer(const std::string& text, bool ok = true) {
        ui.OnModal(FormId::frmPort, [text, ok] {
            App().frmPort.txtUser.text = text;
            ok ? frmPort_cmdOK_Click() : frmPort_cmdCancel_Click();
        });
    }
    // Adapter 0 present and current, requests recorded from here on, and the first request
    // with the code failing (0: none).
    void UseAdapter0(uint32_t failing = 0) {
        usb.Attach(0);
        usb.failIf = nullptr;
        FindUsbAdapters();
        ASSERT_TRUE(App().CurrentAdapter.Present);
        usb.requests.clear();
        if (failing != 0) {
            usb.FailNth(failing);
        }
    }
    // One message, the adapter no longer ready, no handle left open.
    void ExpectFailure(const std::string& message) {
        EXPECT_EQ(ui.MessageHeads(), std::vector<std::string>{message});
        EXPECT_FALSE(App().CurrentAdapter.Present);
        EXPECT_EQ(usb.OpenHandles(), 0);
        ui.messages.clear();
    }
    // The main window's interface and port boxes.
    static std::string Shown() {
        return App().mdiAnalyzer.txtInterface.text + " " + App().mdiAnalyzer.txtPort.text;
    }
    // '+' for each adapter record that is present, '-' for the others.
    static std::string Present() {
        std::string map;
        for (const auto& r : App().UsbAdapters) {
            map += r.Present ? '+' : '-';
        }
        return map;
    }
    // Per option: '*' chosen, '+' enabled, '-' disabled.
    static std::string Options(const std::array<OptionButton, 5>& group) {
        std::string map;
        for (const auto& o : group) {
            map += o.value ? '*' : o.enabled ? '+' : '-';
        }
        return map;
    }

    FakeFrontend ui;
    ScriptedEzUsbDriver usb;
    PortRecorder port;
};

TEST_F(InterfaceTest, TransactionsSendAndReadExactBytes) {
    UseAdapter0();
    auto& app = App();
    app.SpiInputPolarity = true;
    app.SpiChannel = 1;
    app.SpiWriteWords[1] = 0x8310;
    app.SpiWriteWords[2] = 0x8710;
    usb.replies = {{0x12, 0x34, 0xAB, 0xCD}};
    uint8_t count = 2;
    SpiTransfer(count);
    EXPECT_EQ(usb.Writes().back(), (Bytes{0x0D, 0x01, 0x02, 0x83, 0x10, 0x87, 0x10}));
    EXPECT_EQ(app.SpiReadWords[1], 0x1234);
    EXPECT_EQ(app.SpiReadWords[2], 0xABCD);

    // The channel is stored back within 1..5.
    app.SpiChannel = 0;
    SpiTransfer(count);
    EXPECT_EQ(app.SpiChannel, 1);
    app.SpiChannel = 9;
    SpiTransfer(count);
    EXPECT_EQ(usb.Writes().back()[1], 5);
    // More words than the command holds: nothing is sent.
    uint8_t tooMany = 17;
    SpiTransfer(tooMany);
    EXPECT_EQ(usb.Writes().size(), 3u);

    uint8_t delay = 0;
    SetSpiWordDelay(delay);
    EXPECT_EQ(usb.Writes().back(), (Bytes{0x0B, 0x01}));
    EXPECT_EQ(app.SpiWordDelay, 1);
    uint8_t bits = 0xE8;
    SetSpiStaticBits(bits);

    // The firmware keeps both; bit 7 is not a static output.
    app.SpiWordDelay = 0;
    ReadSpiSetup();
    EXPECT_EQ(usb.Writes().back(), (Bytes{0x01}));
    EXPECT_EQ(app.SpiWordDelay, 1);
    EXPECT_EQ(app.SpiStaticBits, 0x68);
    EXPECT_EQ(usb.OpenHandles(), 0);
    EXPECT_TRUE(ui.messages.empty() && app.CurrentAdapter.Present);
}

TEST_F(InterfaceTest, ScanFindsTheRecognisedAdaptersWithTheirBoardInformationForTheMenu) {
    auto& app = App();
    usb.Attach(1);
    SimAdapterConfig fullSpeedMcp{AdapterVendorId, McpProductId};
    fullSpeedMcp.highSpeed = false;
    usb.Attach(3, fullSpeedMcp);
    // The adapter vendor's other product, and another vendor's device.
    usb.Attach(0, {AdapterVendorId, 0x7777});
    usb.Attach(2, {0x0BAD, Fifo4ProductId});
    FindUsbAdapters();
    EXPECT_EQ(app.UsbAdapterCount, 2);
    EXPECT_EQ(Present(), "-+-+");
    // The full-speed MCP board; the other board's information is checked through libusb.
    const auto& r = app.UsbAdapters[3];
    EXPECT_EQ(r.AdapterName + " " + r.BoardType + " " + r.UsbSpeed, "Ezusb-3 MCP 1.1");
    // Only the recognised adapters were asked for their firmware revision.
    EXPECT_EQ(usb.Writes(), (Writes{{0x00}, {0x00}}));
    EXPECT_EQ(app.CurrentAdapter.AdapterName, "Ezusb-1");
    EXPECT_TRUE(app.CurrentAdapter.Present && ui.messages.empty());
    EXPECT_EQ(usb.OpenHandles(), 0);

    // The adapters' menu chooses one and sets it up for the model.
    app.DeviceName = "KXS305";
    mnuEzUsb3_Click();
    EXPECT_EQ(app.mdiAnalyzer.txtPort.text, "Ezusb-3");
    EXPECT_FALSE(app.SpiInputPolarity); // the gyroscope set-up
    app.DeviceName = "KXS201";
    mnuEzUsb1_Click();
    EXPECT_EQ(app.CurrentAdapter.AdapterName, "Ezusb-1");
    EXPECT_TRUE(app.SpiInputPolarity); // the accelerometer set-up

    // A rescan forgets an adapter that went away.
    usb.Detach(1);
    FindUsbAdapters();
    EXPECT_EQ(app.UsbAdapterCount, 1);
    EXPECT_EQ(Present(), "---+");
    EXPECT_EQ(app.CurrentAdapterIndex, 3);
}

TEST_F(InterfaceTest, BoardInformationFailureKeepsTheCountButNotTheAdapter) {
    // The failing request: string 1 and string 2 (two requests each), the revision command
    // and its reply, and the pipe information that gives pipe 3's packet size.
    for (const auto& [code, nth] :
         std::vector<std::pair<uint32_t, int>>{{IoctlGetStringDescriptor, 1},
                                               {IoctlGetStringDescriptor, 3},
                                               {IoctlBulkWrite, 1},
                                               {IoctlBulkRead, 1},
                                               {IoctlGetPipeInfo, 3}}) {
        SCOPED_TRACE(::testing::Message() << std::hex << code << " #" << nth);
        ResetAppState();
        usb.Attach(0);
        usb.FailNth(code, nth);
        FindUsbAdapters();
        ExpectFailure("Error getting Board Info");
        EXPECT_EQ(App().UsbAdapterCount, 1);
        EXPECT_EQ(Present(), "----");
    }
}

TEST_F(InterfaceTest, ScanTakesOnlyWhatArrived) {
    usb.Attach(0);
    // Empty text counts as success; one that claims 40 bytes but sends 6 holds only "AB".
    usb.strings = {{1, {2, 3}}, {2, {40, 3, 'A', 0, 'B', 0}}};
    FindUsbAdapters();
    EXPECT_TRUE(ui.messages.empty());
    const auto& r = App().UsbAdapters[0];
    EXPECT_EQ(r.Descriptor1 + "|" + r.Descriptor2, "|AB");

    // An odd length still takes the low byte of the last, half code unit (as UTF-8);
    // bLength 0 gives empty text.
    usb.strings = {{1, {5, 3, 'X', 0, 0xE9}}, {2, {0}}};
    FindUsbAdapters();
    EXPECT_EQ(r.Descriptor1 + "|" + r.Descriptor2, "X\xC3\xA9|");

    // A failed device descriptor is not taken from the adapter before.
    usb.strings.clear();
    usb.Attach(1);
    usb.FailNth(IoctlGetDeviceDescriptor, 2);
    FindUsbAdapters();
    EXPECT_EQ(App().UsbAdapterCount, 1);
    EXPECT_EQ(Present(), "+---");
}

TEST_F(InterfaceTest, FailedRequestsReportAndClearTheAdapter) {
    auto& app = App();
    uint8_t delay = 20;
    uint8_t bits = 0x18;
    uint8_t count = 1;

    // Set-up command write fails: the reply is still read.
    UseAdapter0(IoctlBulkWrite);
    usb.replies = {{12, 0x08}};
    ReadSpiSetup();
    ExpectFailure("Error Setting up SPI");
    EXPECT_EQ(app.SpiWordDelay, 12);
    EXPECT_EQ(app.UsbAdapterCount, 0);

    // Set-up reply fails: delay 0, bits kept.
    UseAdapter0(IoctlBulkRead);
    app.SpiStaticBits = 0x20;
    ReadSpiSetup();
    ExpectFailure("Error Reading SPI");
    EXPECT_EQ(app.SpiWordDelay, 0);
    EXPECT_EQ(app.SpiStaticBits, 0x20);

    // The delay is kept although it was not sent.
    UseAdapter0(IoctlBulkWrite);
    SetSpiWordDelay(delay);
    ExpectFailure("Error Setting up SPI");
    EXPECT_EQ(app.SpiWordDelay, 20);

    // Transfer write fails: no reply is read, the words stay; a short reply is as good as a
    // failed one.
    app.SpiReadWords[1] = 0x1111;
    UseAdapter0(IoctlBulkWrite);
    SpiTransfer(count);
    ExpectFailure("Error Writing SPI");
    EXPECT_EQ(usb.Count(IoctlBulkRead), 0);
    UseAdapter0();
    usb.replies = {{0x99}};
    SpiTransfer(count);
    ExpectFailure("Error Reading SPI");
    EXPECT_EQ(app.SpiReadWords[1], 0x1111);

    // Once cleared, no transaction sends or changes anything.
    usb.requests.clear();
    app.SpiWordDelay = 7;
    app.SpiChannel = 0;
    delay = 0;
    ReadSpiSetup();
    SetSpiWordDelay(delay);
    SetSpiStaticBits(bits);
    SpiTransfer(count);
    EXPECT_TRUE(usb.requests.empty() && ui.messages.empty());
    EXPECT_EQ(std::tuple(app.SpiWordDelay, app.SpiChannel, delay), std::tuple(7, 0, 0));
}

TEST_F(InterfaceTest, BulkTransfersStayWithinTheirBuffer) {
    std::array<uint8_t, 4> buffer{};
    int32_t count = 2;
    EXPECT_EQ(BulkTransfer(0, 1, buffer, count, 0), -2);
    usb.Attach(0);
    const int32_t handle = InstalledEzUsbDriver().Open("Ezusb-0");
    EXPECT_EQ(GetPipeMaxPacketSize(handle, 17), 0);
    count = 9;
    EXPECT_EQ(BulkTransfer(handle, 0, buffer, count, 0), 0);
    EXPECT_EQ(usb.Count(IoctlBulkWrite), 0);
    // Extra reads, each placed after the one before, stop where they would run past the end.
    usb.replies = {{1, 2}, {3, 4}, {5, 6}};
    count = 2;
    EXPECT_EQ(BulkTransfer(handle, 1, buffer, count, 2), 0);
    EXPECT_EQ(buffer, (std::array<uint8_t, 4>{1, 2, 3, 4}));
}

TEST_F(InterfaceTest, SelectionOfTheOneAdapterAt2OrNone) {
    auto& app = App();
    auto& m = app.mdiAnalyzer;
    app.SpiWordDelay = 10;
    app.SpiStaticBits = 96;
    m.mnuPort.checked = true;
    usb.Attach(2);
    ui.OnModal(FormId::frmUSBselect, [] { frmUSBselect_cmdOK_Click(); });
    mnuUSB_Click();

    auto& f = App().frmUSBselect;
    // The description is checked on the real dialog.
    EXPECT_EQ(Options(f.optUsbPort), "--*-+");
    // The chosen adapter got the delay, then the static bits.
    EXPECT_EQ(usb.Writes(), (Writes{{0x00}, {0x0B, 10}, {0x0C, 96}}));
    EXPECT_EQ(app.InterfaceCode, 2);
    EXPECT_TRUE(m.mnuUSB.checked && !m.mnuPort.checked);
    EXPECT_EQ(Shown(), "USB Ezusb-2");
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.hidden, std::vector<FormId>{FormId::frmUSBselect}); // OK closes the dialog

    // The user picks "None" although the adapter is there.
    m.mnuPort.checked = true;
    app.StopRequested = false;
    ui.OnModal(FormId::frmUSBselect, [] {
        frmUSBselect_optUsbPort_Click(4);
        frmUSBselect_cmdOK_Click();
    });
    mnuUSB_Click();
    EXPECT_EQ(app.InterfaceCode, 0);
    EXPECT_TRUE(app.StopRequested);
    EXPECT_EQ(Shown(), "NONE NONE");
    EXPECT_FALSE(m.mnuPort.checked || m.mnuUSB.checked);
}

// Three time-outs of a second each, mid-sweep, and a second to read each message: none is in
// the period, the failed transfer is no sample, the interface is dropped and the status line
// says how to get the adapter back, and USB again does; then a temperature read fails.
TEST_F(InterfaceTest, AFaultMidSweepIsNamedAndChoosingUsbAgainTakesTheAdapterBack) {
    FakeClock clock;
    UseQuickDelay();
    auto& m = App().mdiAnalyzer;
    usb.Attach(0);
    ui.OnModal(FormId::frmUSBselect, [] { frmUSBselect_cmdOK_Click(); });
    mnuUSB_Click();
    mnuKxs306_Click();
    int timeOuts = 3;
    usb.failWith = EzUsbFault::TimedOut;
    usb.failIf = [&](const RecordedRequest& r) {
        const bool fails = r.code == IoctlBulkWrite && App().SamplesTaken >= 20 && timeOuts > 0;
        timeOuts -= fails ? 1 : 0;
        clock.now += fails ? 1.0 : 0.0;
        return fails;
    };
    ui.whileMessageOpen = [&clock] { clock.now += 1.0; };
    ui.AtDoEvents(5, [] { Ui().MsgBox("A note"); });
    cmdSingleSweep_Click();
    EXPECT_EQ(ui.MessageHeads(), (std::vector<std::string>{"A note", "Error Writing SPI"}));
    EXPECT_LT(App().SamplePeriod * App().SamplesTaken, 0.1);
    EXPECT_EQ(App().SamplesTaken, 20);
    EXPECT_EQ(Shown(), "None None");
    EXPECT_FALSE(m.mnuUSB.checked);
    EXPECT_EQ(m.statusText, "USB interface dropped: Ezusb-0 did not answer in time (time-out). "
                            "Choose USB in the Interface menu to take the adapter back.");
    ui.messages.clear();
    mnuUSB_Click();
    EXPECT_EQ(Shown(), "USB Ezusb-0");
    EXPECT_TRUE(ui.messages.empty() && m.statusText.empty());

    // A temperature the adapter never sent is not shown, nor taken.
    usb.failIf = [](const RecordedRequest& r) { return r.code == IoctlBulkWrite; };
    App().frmData.lblTemp.caption = "---  ";
    App().Temperature = 12.5f;
    ReadTemperature();
    EXPECT_EQ(App().frmData.lblTemp.caption, "---  ");
    EXPECT_EQ(App().Temperature, 12.5f);
}

TEST_F(InterfaceTest, SelectionSearchesOnEveryShowingAndAfterTheConsole) {
    usb.Attach(0);
    frmUSBselect_Form_Activate();
    frmUSBselect_Form_Activate();
    EXPECT_EQ(usb.Count(IoctlGetDeviceDescriptor), 2);
    // The console searches when it shows, the dialog again when it comes back.
    frmUSBselect_cmdDebugUsb_Click();
    EXPECT_EQ(ui.modals, std::vector<FormId>{FormId::frmUSBdebug});
    EXPECT_EQ(usb.Count(IoctlGetDeviceDescriptor), 4);
}

TEST_F(InterfaceTest, ConsoleChoosingAnAdapterAppliesAndReadsBack) {
    auto& app = App();
    app.SpiStaticBits = 0x68;
    app.SpiWordDelay = 10;
    app.SpiChannel = 2;
    usb.Attach(0);
    // The revision, then what the adapter holds: not what was sent.
    usb.replies = {{1, 2}, {12, 0x28}, {12, 0x28}};
    frmUSBdebug_Form_Activate();
    auto& f = App().frmUSBdebug;
    EXPECT_EQ(f.txtUsbPort[0].text + ", " + f.txtUsbPort[1].text + ", " + f.txtDescript1[0].text,
              "FIFO4 - 0, None, USB SPI Adapter");
    // Bits, delay, then the set-up read twice (once per "Read" command).
    EXPECT_EQ(usb.Writes(), (Writes{{0x00}, {0x0C, 0x68}, {0x0B, 10}, {0x01}, {0x01}}));
    EXPECT_EQ(f.txtLoopDelay.text, "12"); // the boxes' ticks are checked on the real console
    EXPECT_TRUE(f.optSpiChan[2].value);
    EXPECT_EQ(f.cmdPolarity.caption, "Neg");

    // "None" disables both frames; choosing the adapter again sends everything again.
    frmUSBdebug_optUsbPort_Click(4);
    EXPECT_FALSE(f.frameSPIsetup.enabled || f.frameManual.enabled || app.CurrentAdapter.Present);
    usb.requests.clear();
    frmUSBdebug_optUsbPort_Click(0);
    EXPECT_TRUE(f.frameManual.enabled);
    EXPECT_EQ(usb.Writes(), (Writes{{0x0C, 0x28}, {0x0B, 12}, {0x01}, {0x01}}));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(InterfaceTest, ConsoleSetUpAndWriteCommands) {
    usb.Attach(0);
    frmUSBdebug_Form_Activate();
    usb.requests.clear();
    auto& f = App().frmUSBdebug;
    // Enter sends the delay rounded into 1..255; other keys send nothing.
    for (const auto& [text, sent] : std::vector<std::pair<const char*, uint8_t>>{
             {"0", 1}, {"300", 255}, {"2.5", 2}, {"x", 1}}) {
        SCOPED_TRACE(text);
        f.txtLoopDelay.text = text;
        frmUSBdebug_txtLoopDelay_KeyDown(13, 0);
        EXPECT_EQ(usb.Writes().back(), (Bytes{0x0B, sent}));
        EXPECT_EQ(f.txtLoopDelay.text, std::to_string(sent));
    }
    const size_t sent = usb.Writes().size();
    frmUSBdebug_txtLoopDelay_KeyDown(65, 0);
    EXPECT_EQ(usb.Writes().size(), sent);

    for (auto& box : f.chkStaticBits) {
        box.value = 0;
    }
    f.chkStaticBits[3].value = 1;
    f.chkStaticBits[5].value = 2; // greyed counts as ticked
    frmUSBdebug_cmdSetSpiBits_Click();
    EXPECT_EQ(usb.Writes().back(), (Bytes{0x0C, 0x50}));

    // "Write" takes the boxes and shows the answer.
    f.txtNumWords.text = "2";
    f.txtWriteSpi[1].text = "8310";
    f.txtWriteSpi[2].text = "";
    f.txtWriteSpi[3].text = "ABCD";
    f.txtReadSpi[9].text = "old";
    usb.replies = {{0x0F, 0xFF, 0x00, 0x2A}};
    frmUSBdebug_cmdWriteSpi_Click();
    EXPECT_EQ(usb.Writes().back(), (Bytes{0x0E, 1, 2, 0x83, 0x10, 0, 0}));
    // Words shown as sent, boxes past the count and old answers emptied.
    EXPECT_EQ(f.txtWriteSpi[2].text + "," + f.txtWriteSpi[3].text + "," + f.txtReadSpi[9].text,
              "0,,");
    EXPECT_EQ(f.txtReadSpi[1].text + " " + f.txtReadSpi[2].text, "FFF 2A");

    for (const auto& [text, count] : std::vector<std::pair<const char*, int>>{
             {"0", 1}, {"20", 16}, {"2.5", 2}, {"", 2}, {"999", 16}}) {
        SCOPED_TRACE(text);
        f.txtNumWords.text = text;
        frmUSBdebug_cmdWriteSpi_Click();
        EXPECT_EQ(f.txtNumWords.text, std::to_string(count));
        EXPECT_EQ(usb.Writes().back()[2], count);
    }
    // A failed "Set Bits" marks "None".
    usb.failIf = [](const RecordedRequest& r) { return r.code == IoctlBulkWrite; };
    frmUSBdebug_cmdSetSpiBits_Click();
    EXPECT_EQ(ui.MessageHeads(), std::vector<std::string>{"Error Setting SPI Bits"});
    EXPECT_TRUE(f.optUsbPort[4].value);
    EXPECT_FALSE(f.frameSPIsetup.enabled);
}

TEST_F(InterfaceTest, ConsoleLoopRunsUntilStopCloseOrUnplug) {
    auto& app = App();
    usb.Attach(0);
    frmUSBdebug_Form_Activate();
    usb.requests.clear();
    auto& f = App().frmUSBdebug;
    f.txtNumWords.text = "1";
    f.txtWriteSpi[1].text = "8710";
    // Loops that do not end are stopped at these counts, so that the checks fail, not hang.
    for (int n : {20, 40, 60}) {
        ui.AtDoEvents(n, [&] { f.loopStop = true; });
    }
    // Stop is clicked while the loop lets events run for the third time.
    ui.AtDoEvents(3, [&] {
        EXPECT_EQ(f.cmdLoop.caption, "Stop");
        frmUSBdebug_cmdLoop_Click();
    });
    // The main window's run goes on: the loop has a stop of its own.
    app.StopRequested = false;
    frmUSBdebug_cmdLoop_Click();
    EXPECT_EQ(f.cmdLoop.caption, "Loop");
    EXPECT_TRUE(f.loopStop && !app.StopRequested);
    EXPECT_EQ(ui.doEventsCalls, 3);
    // The first "Write" and three loop transfers, all of the same word.
    EXPECT_EQ(usb.Writes(), Writes(4, Bytes{0x0E, 1, 1, 0x87, 0x10}));

    // Closing the console, then unplugging the adapter, end the loop too.
    ui.AtDoEvents(5, [] {
        int16_t cancel = 0;
        frmUSBdebug_Form_QueryUnload(cancel, 0);
    });
    frmUSBdebug_cmdLoop_Click();
    EXPECT_EQ(ui.doEventsCalls, 5);
    EXPECT_EQ(ui.hidden, std::vector<FormId>{FormId::frmUSBdebug});

    ui.AtDoEvents(7, [&] { usb.Detach(0); });
    frmUSBdebug_cmdLoop_Click();
    EXPECT_EQ(ui.doEventsCalls, 8);
    EXPECT_EQ(ui.MessageHeads(), std::vector<std::string>{"Error Writing SPI"});
    EXPECT_EQ(Options(f.optUsbPort), "----*"); // the lost adapter's row goes at once
    EXPECT_EQ(f.txtUsbPort[0].text + f.txtDescript0[0].text + f.txtDriverRev[0].text, "None");
    EXPECT_FALSE(f.frameManual.enabled);
    EXPECT_EQ(f.cmdLoop.caption, "Loop");
}

TEST_F(InterfaceTest, ConsoleWithoutAnAdapterAsksForOne) {
    auto& app = App();
    frmUSBdebug_Form_Activate();
    auto& f = App().frmUSBdebug;
    app.SpiWordDelay = 9;
    f.txtLoopDelay.text = "50";
    frmUSBdebug_cmdReadDelay_Click();
    frmUSBdebug_txtLoopDelay_KeyDown(13, 0);
    frmUSBdebug_cmdReadBits_Click();
    EXPECT_EQ(f.txtLoopDelay.text, "9");
    frmUSBdebug_cmdSetSpiBits_Click();
    frmUSBdebug_cmdWriteSpi_Click();
    frmUSBdebug_cmdLoop_Click();
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>(6, "Please Select a Buffer first"));
    EXPECT_EQ(f.cmdLoop.caption, "Loop");
    EXPECT_TRUE(ui.doEventsCalls == 0 && usb.requests.empty());
}

TEST_F(InterfaceTest, BoxesRefuseWhatDoesNotFit) {
    const struct {
        bool (*accepts)(std::string_view);
        std::vector<std::string> ok, bad;
    } boxes[] = {
        {WordBoxAccepts, {"", "0", "8310", "ffFF"}, {"12345", "83g0", " 1", "-1"}},
        {WordCountBoxAccepts,
         {"", "0", "20", "255", "255.4", "2."},
         {"256", "255.5", "1000", "1e3", "-1", "2.555", "a"}},
        {DelayBoxAccepts, {"", "0", "300", "2.5", "999"}, {"1000", "1e9", "x", "-5"}},
    };
    for (const auto& box : boxes) {
        for (const auto& text : box.ok) {
            EXPECT_TRUE(box.accepts(text)) << text;
        }
        for (const auto& text : box.bad) {
            EXPECT_FALSE(box.accepts(text)) << text;
        }
    }
}

TEST_F(InterfaceTest, AddressTextsAndWhatTheDialogShowsAfterwards) {
    const struct {
        const char* typed;
        int16_t address;
        const char* shown;
    } cases[] = {{"378", 888, "378"},      {"3bc", 956, "3BC"},  {"0378", 888, "378"},
                 {"8000", -32768, "8000"}, {"FFFF", -1, "FFFF"}, {"3G8", 0x308, "308"}};
    for (const auto& c : cases) {
        Answer(c.typed);
        mnuPort_Click();
        EXPECT_EQ(App().PortAddress, c.address) << c.typed;
        EXPECT_EQ(App().frmPort.txtUser.text + " " + App().mdiAnalyzer.txtPort.text,
                  std::string(c.shown) + " " + c.shown);
        EXPECT_EQ(App().InterfaceCode, 1);
    }
    EXPECT_TRUE(App().mdiAnalyzer.mnuPort.checked &&
                App().mdiAnalyzer.txtInterface.text == "Parallel");
    // Each new address is claimed afresh; FFFF has no room for its status and control
    // registers below the top of the I/O space, so it is refused before any backend sees it.
    EXPECT_EQ(port.opened, (std::vector<uint16_t>{0x378, 0x3BC, 0x378, 0x8000, 0x308}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "The required I/O drivers could not be installed.\n"
                                   "There is no parallel port at this address.");
    EXPECT_EQ(OpenPortBase(), 0x308);
}

TEST_F(InterfaceTest, EmptyTextZeroAddressAndCancel) {
    // OK on an empty box does nothing; the dialog stays open until Cancel.
    ui.OnModal(FormId::frmPort, [this] {
        App().frmPort.txtUser.text.clear();
        frmPort_cmdOK_Click();
        EXPECT_TRUE(ui.hidden.empty());
        frmPort_cmdCancel_Click();
    });
    mnuPort_Click();
    EXPECT_EQ(App().PortAddress, 0x378);
    EXPECT_TRUE(App().InterfaceCode == 0 && port.opened.empty());

    // Address 0 means no port at all.
    Answer("0");
    mnuPort_Click();
    EXPECT_EQ(App().PortAddress, 0);
    EXPECT_EQ(App().InterfaceCode, 0);
    EXPECT_EQ(Shown(), "NONE NONE");
    EXPECT_FALSE(PortIsOpen());
    EXPECT_TRUE(ui.messages.empty());

    // With the adapter in use, Cancel leaves the window showing the adapter.
    auto& m = App().mdiAnalyzer;
    App().PortAddress = 0x378;
    App().InterfaceCode = 2;
    m.txtInterface.text = "USB";
    m.txtPort.text = "Ezusb-0";
    Answer("278", false);
    mnuPort_Click();
    EXPECT_EQ(App().InterfaceCode, 2);
    EXPECT_EQ(Shown(), "USB Ezusb-0");
    EXPECT_EQ(App().PortAddress, 0x378);
}

TEST_F(InterfaceTest, ThePortIsClaimedOnlyWhenGrantedAndWhileItIsTheInterface) {
    auto& status = App().mdiAnalyzer.statusText;
    status = "The board gives no answer: every sample of the sweep reads 0.";
    port.openSucceeds = false;
    port.openFailure = "/dev/parport0: Permission denied. Add your user to the group lp.";
    Answer("378");
    mnuPort_Click();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title + ": " + ui.messages[0].text,
              "Error: The required I/O drivers could not be installed.\n" + port.openFailure);
    EXPECT_FALSE(App().DriverModuleFlag);
    vbOut(0x378, 1);
    EXPECT_TRUE(port.log.empty());
    EXPECT_FALSE(status.empty());

    // Access granted on the next try, and given back while the adapter is the interface.
    port.openSucceeds = true;
    Answer("378");
    mnuPort_Click();
    EXPECT_TRUE(App().DriverModuleFlag && status.empty());
    vbOut(0x378, 1);
    EXPECT_EQ(port.DataWrites(), std::vector<int>{1});
    App().CurrentAdapter.Present = true;
    frmUSBselect_cmdOK_Click();
    EXPECT_EQ(App().InterfaceCode, 2);
    EXPECT_FALSE(PortIsOpen());
    EXPECT_EQ(port.closes, 1);
    Answer("378");
    mnuPort_Click();
    EXPECT_TRUE(PortIsOpen());
    EXPECT_EQ(port.opened, (std::vector<uint16_t>{0x378, 0x378, 0x378}));
}

TEST_F(InterfaceTest, LabelPopups) {
    // The left button opens nothing.
    lblInterface_MouseDown(1, 0, 0, 0);
    lblPort_MouseDown(1, 0, 0, 0);
    EXPECT_TRUE(ui.popups.empty());

    lblInterface_MouseDown(2, 0, 10, 10);
    ui.OnPopup(PopupMenu::PortAddress, [] { mnuPort3BC_Click(); });
    lblPort_MouseDown(2, 0, 10, 10);
    EXPECT_EQ(ui.popups, (std::vector<PopupMenu>{PopupMenu::Interface, PopupMenu::PortAddress}));
    EXPECT_EQ(App().mdiAnalyzer.txtPort.text, "3BC");
    EXPECT_EQ(port.opened, std::vector<uint16_t>{0x3BC});

    // On USB the adapters' menu opens, with the absent ones disabled.
    auto& app = App();
    app.InterfaceCode = 2;
    app.UsbAdapters[1].Present = true;
    lblPort_MouseDown(2, 0, 0, 0);
    EXPECT_EQ(ui.popups.back(), PopupMenu::EzUsb);
    EXPECT_FALSE(app.mdiAnalyzer.mnuEzUsbN[0].enabled);
    EXPECT_TRUE(app.mdiAnalyzer.mnuEzUsbN[1].enabled);
}

} // namespace
