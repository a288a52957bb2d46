// The adapter's host side against the simulated adapters, recorded and with faults on
// demand: bytes on the wire, the scan, and the state and messages after each kind of failure.
#include "interfaces/UsbSpiDrivers.h"
#include "platform/AdapterIds.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/ScriptedEzUsb.h"

namespace {

using Bytes = std::vector<uint8_t>;

class UsbHostTest : public AppStateTest {
protected:
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
    // '+' for each adapter record that is present, '-' for the others.
    std::string Present() const {
        std::string map;
        for (const auto& r : App().UsbAdapters) {
            map += r.Present ? '+' : '-';
        }
        return map;
    }

    FakeFrontend ui;
    ScriptedEzUsbDriver usb;
};

TEST_F(UsbHostTest, TransactionsSendAndReadExactBytes) {
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

    // "Neg"; the channel is stored back within 1..5.
    app.SpiInputPolarity = false;
    app.SpiChannel = 0;
    SpiTransfer(count);
    EXPECT_EQ(usb.Writes().back(), (Bytes{0x0E, 1, 2, 0x83, 0x10, 0x87, 0x10}));
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
    EXPECT_EQ(delay, 1);
    EXPECT_EQ(app.SpiWordDelay, 1);
    uint8_t bits = 0xE8;
    SetSpiStaticBits(bits);
    EXPECT_EQ(usb.Writes().back(), (Bytes{0x0C, 0xE8}));

    // The firmware keeps both; bit 7 is not a static output.
    app.SpiWordDelay = 0;
    ReadSpiSetup();
    EXPECT_EQ(usb.Writes().back(), (Bytes{0x01}));
    EXPECT_EQ(app.SpiWordDelay, 1);
    EXPECT_EQ(app.SpiStaticBits, 0x68);
    EXPECT_EQ(usb.OpenHandles(), 0);
    EXPECT_TRUE(ui.messages.empty() && app.CurrentAdapter.Present);
}

TEST_F(UsbHostTest, ScanFindsTheRecognisedAdaptersWithTheirBoardInformation) {
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
    EXPECT_EQ(usb.Writes(), (std::vector<Bytes>{{0x00}, {0x00}}));
    EXPECT_EQ(app.CurrentAdapter.AdapterName, "Ezusb-1");
    EXPECT_TRUE(app.CurrentAdapter.Present && ui.messages.empty());
    EXPECT_EQ(usb.OpenHandles(), 0);

    // A rescan forgets an adapter that went away.
    usb.Detach(1);
    FindUsbAdapters();
    EXPECT_EQ(app.UsbAdapterCount, 1);
    EXPECT_EQ(Present(), "---+");
    EXPECT_EQ(app.CurrentAdapterIndex, 3);
}

TEST_F(UsbHostTest, BoardInformationFailureKeepsTheCountButNotTheAdapter) {
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

TEST_F(UsbHostTest, ScanTakesOnlyWhatArrived) {
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

TEST_F(UsbHostTest, FailedRequestsReportAndClearTheAdapter) {
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

    // The settings are kept although they were not sent.
    UseAdapter0(IoctlBulkWrite);
    SetSpiWordDelay(delay);
    ExpectFailure("Error Setting up SPI");
    UseAdapter0(IoctlBulkWrite);
    SetSpiStaticBits(bits);
    ExpectFailure("Error Setting SPI Bits");
    EXPECT_EQ(app.SpiWordDelay, 20);
    EXPECT_EQ(app.SpiStaticBits, 0x18);

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

TEST_F(UsbHostTest, BulkTransfersStayWithinTheirBuffer) {
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

} // namespace
