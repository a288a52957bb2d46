// The adapter's host side against the scripted driver: bytes on the wire, the scan, and the
// state and messages after each kind of failure.
#include "interfaces/UsbSpiDrivers.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/FakeFrontend.h"
#include "tests/support/ScriptedEzUsb.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<uint8_t>;

class UsbHostTest : public AppStateTest {
protected:
    // Adapter 0 present and current, requests recorded from here on.
    void UseAdapter0() {
        usb.Attach(0);
        FindUsbAdapters();
        ASSERT_TRUE(App().CurrentAdapter.Present);
        usb.requests.clear();
        usb.opens = usb.closes = 0;
    }
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& m : ui.messages) {
            texts.push_back(m.text);
        }
        return texts;
    }
    bool FailsCode(uint32_t code, int nth = 1) {
        int seen = 0;
        usb.failIf = [code, nth, seen](const RecordedRequest& r) mutable {
            return r.code == code && ++seen == nth;
        };
        return true;
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
    usb.adapters[0]->replies = {{0x12, 0x34, 0xAB, 0xCD}};
    uint8_t count = 2;
    SpiTransfer(count);
    ASSERT_EQ(usb.Writes().size(), 1u);
    EXPECT_EQ(usb.Writes()[0], (Bytes{0x0D, 0x01, 0x02, 0x83, 0x10, 0x87, 0x10}));
    EXPECT_EQ(app.SpiReadWords[1], 0x1234);
    EXPECT_EQ(app.SpiReadWords[2], 0xABCD);
    EXPECT_EQ(app.SpiWordCount, 2);

    // One word, "Neg", channel 2: five bytes out, a read of exactly two bytes.
    app.SpiInputPolarity = false;
    app.SpiChannel = 2;
    app.SpiWriteWords[1] = 0xFFFF;
    count = 1;
    SpiTransfer(count);
    EXPECT_EQ(usb.Writes()[1], (Bytes{0x0E, 0x02, 0x01, 0xFF, 0xFF}));
    EXPECT_EQ(usb.requests.back().code, IoctlBulkRead);
    EXPECT_EQ(usb.requests.back().outputSize, 2u);
    EXPECT_EQ(usb.requests.back().input, (Bytes{1, 0, 0, 0}));

    // The channel is stored back within 1..5.
    app.SpiChannel = 0;
    SpiTransfer(count);
    EXPECT_EQ(app.SpiChannel, 1);
    EXPECT_EQ(usb.Writes().back()[1], 1);
    app.SpiChannel = 9;
    SpiTransfer(count);
    EXPECT_EQ(app.SpiChannel, 5);
    EXPECT_EQ(usb.Writes().back()[1], 5);

    uint8_t delay = 0;
    SetSpiWordDelay(delay);
    EXPECT_EQ(usb.Writes().back(), (Bytes{0x0B, 0x01}));
    EXPECT_EQ(delay, 1);
    EXPECT_EQ(app.SpiWordDelay, 1);

    uint8_t bits = 0x50;
    SetSpiStaticBits(bits);
    EXPECT_EQ(usb.Writes().back(), (Bytes{0x0C, 0x50}));
    EXPECT_EQ(app.SpiStaticBits, 0x50);

    usb.adapters[0]->replies = {{10, 0xFF}};
    ReadSpiSetup();
    EXPECT_EQ(usb.Writes().back(), (Bytes{0x01}));
    EXPECT_EQ(app.SpiWordDelay, 10);
    EXPECT_EQ(app.SpiStaticBits, 0x78);

    // Every transaction opened and closed its own handle; nothing failed.
    EXPECT_EQ(usb.opens, 7);
    EXPECT_EQ(usb.closes, 7);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(app.CurrentAdapter.Present);
}

TEST_F(UsbHostTest, BoardInformationFromDescriptorsFirmwareAndPipe3) {
    auto& a = usb.Attach(0);
    a.string1 = UsbString("Quelto");
    a.string2 = UsbString("FIFO board");
    a.pipe3MaxPacket = 64;
    FindUsbAdapters();
    const auto& r = App().UsbAdapters[0];
    EXPECT_EQ(r.AdapterName, "Ezusb-0");
    EXPECT_EQ(r.BoardType, "FIFO4");
    EXPECT_EQ(r.Descriptor1, "Quelto");
    EXPECT_EQ(r.Descriptor2, "FIFO board");
    EXPECT_FLOAT_EQ(r.FirmwareRev, 1.2f);
    EXPECT_EQ(r.UsbSpeed, "1.1");
    EXPECT_EQ(r.Unit, 0);
    // The revision command went out on pipe 0 and its reply came from pipe 1.
    EXPECT_EQ(usb.Writes(), (std::vector<Bytes>{{0x00}}));
    EXPECT_EQ(usb.opens, usb.closes);

    usb.adapters[0]->pipe3MaxPacket = 512;
    usb.adapters[0]->productId = McpProductId;
    FindUsbAdapters();
    EXPECT_EQ(App().UsbAdapters[0].UsbSpeed, "2");
    EXPECT_EQ(App().UsbAdapters[0].BoardType, "MCP");
}

TEST_F(UsbHostTest, ScanCountsRecognisedAdaptersAndPicksTheFirst) {
    FindUsbAdapters();
    EXPECT_EQ(App().UsbAdapterCount, 0);
    EXPECT_FALSE(App().CurrentAdapter.Present);
    EXPECT_EQ(App().CurrentAdapterIndex, -1);

    usb.Attach(1);
    usb.Attach(3);
    // The adapter vendor's other product, and another vendor's device.
    usb.Attach(0).productId = 0x7777;
    usb.Attach(2).vendorId = 0x0BAD;
    FindUsbAdapters();
    auto& app = App();
    EXPECT_EQ(app.UsbAdapterCount, 2);
    EXPECT_FALSE(app.UsbAdapters[0].Present);
    EXPECT_TRUE(app.UsbAdapters[0].AdapterName.empty());
    EXPECT_FALSE(app.UsbAdapters[2].Present);
    EXPECT_TRUE(app.UsbAdapters[1].Present);
    EXPECT_TRUE(app.UsbAdapters[3].Present);
    EXPECT_EQ(app.UsbAdapters[3].AdapterName, "Ezusb-3");
    EXPECT_EQ(app.CurrentAdapterIndex, 1);
    EXPECT_EQ(app.CurrentAdapter.AdapterName, "Ezusb-1");
    EXPECT_TRUE(app.CurrentAdapter.Present);
    EXPECT_EQ(usb.OpenHandles(), 0);
    EXPECT_TRUE(ui.messages.empty());

    // A rescan forgets an adapter that went away.
    usb.adapters[1].reset();
    FindUsbAdapters();
    EXPECT_EQ(app.UsbAdapterCount, 1);
    EXPECT_FALSE(app.UsbAdapters[1].Present);
    EXPECT_EQ(app.CurrentAdapterIndex, 3);
}

TEST_F(UsbHostTest, BoardInformationFailureKeepsTheCountButNotTheAdapter) {
    struct Case {
        const char* what;
        std::function<void(ScriptedAdapter&, ScriptedEzUsbDriver&)> fault;
    };
    const std::vector<Case> cases = {
        {"string 1",
         [](auto&, auto& d) {
             d.failIf = [](auto& r) {
                 return r.code == IoctlGetStringDescriptor && r.input[0] == 1;
             };
         }},
        {"string 2",
         [](auto&, auto& d) {
             d.failIf = [](auto& r) {
                 return r.code == IoctlGetStringDescriptor && r.input[0] == 2;
             };
         }},
        {"revision command",
         [](auto&, auto& d) { d.failIf = [](auto& r) { return r.code == IoctlBulkWrite; }; }},
        {"revision reply",
         [](auto&, auto& d) { d.failIf = [](auto& r) { return r.code == IoctlBulkRead; }; }},
        {"short revision reply", [](auto& a, auto&) { a.replies = {{1}}; }},
        {"pipe 3 size 0", [](auto& a, auto&) { a.pipe3MaxPacket = 0; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ResetAppState();
        ui.messages.clear();
        usb.failIf = nullptr;
        c.fault(usb.Attach(0), usb);
        FindUsbAdapters();
        EXPECT_EQ(Messages(), std::vector<std::string>{"Error getting Board Info"});
        EXPECT_EQ(App().UsbAdapterCount, 1);
        EXPECT_FALSE(App().UsbAdapters[0].Present);
        EXPECT_FALSE(App().CurrentAdapter.Present);
        EXPECT_EQ(App().CurrentAdapterIndex, -1);
        EXPECT_EQ(usb.OpenHandles(), 0);
    }
}

TEST_F(UsbHostTest, OddStringDescriptorsAreReadOnlyWithinWhatArrived) {
    auto& a = usb.Attach(0);
    // Empty text counts as success.
    a.string1 = {2, 3};
    // Claims 40 bytes, sends 6: only "AB" exists.
    a.string2 = {40, 3, 'A', 0, 'B', 0};
    FindUsbAdapters();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(App().UsbAdapters[0].Descriptor1, "");
    EXPECT_EQ(App().UsbAdapters[0].Descriptor2, "AB");

    // An odd length still takes the low byte of the last, half code unit; bLength 0 gives
    // empty text.
    a.string1 = {5, 3, 'X', 0, 'Y'};
    a.string2 = {0};
    FindUsbAdapters();
    EXPECT_EQ(App().UsbAdapters[0].Descriptor1, "XY");
    EXPECT_EQ(App().UsbAdapters[0].Descriptor2, "");
}

TEST_F(UsbHostTest, ShortDeviceDescriptorIsNotTakenForTheAdapterBefore) {
    usb.Attach(0);
    usb.Attach(1);
    // The second device answers its descriptor query with nothing: it must not inherit the
    // first one's identifiers.
    usb.failIf = [](const RecordedRequest& r) {
        return r.code == IoctlGetDeviceDescriptor && r.number == 1;
    };
    FindUsbAdapters();
    EXPECT_EQ(App().UsbAdapterCount, 1);
    EXPECT_FALSE(App().UsbAdapters[1].Present);
}

TEST_F(UsbHostTest, TransactionsWithoutAReadyAdapterDoNothing) {
    usb.Attach(0);
    auto& app = App();
    app.SpiWordDelay = 7;
    app.SpiStaticBits = 0x28;
    app.SpiChannel = 0;
    app.SpiWordCount = 3;
    app.SpiReadWords[1] = 0x4242;
    uint8_t delay = 0;
    uint8_t bits = 0x10;
    uint8_t count = 1;
    ReadSpiSetup();
    SetSpiWordDelay(delay);
    SetSpiStaticBits(bits);
    SpiTransfer(count);
    EXPECT_EQ(usb.opens, 0);
    EXPECT_TRUE(usb.requests.empty());
    EXPECT_EQ(app.SpiWordDelay, 7);
    EXPECT_EQ(app.SpiStaticBits, 0x28);
    EXPECT_EQ(app.SpiChannel, 0);
    EXPECT_EQ(app.SpiWordCount, 3);
    EXPECT_EQ(app.SpiReadWords[1], 0x4242);
    EXPECT_EQ(delay, 0);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(UsbHostTest, FailedRequestsReportAndClearTheAdapter) {
    auto& app = App();
    uint8_t delay = 20;
    uint8_t bits = 0x18;
    uint8_t count = 1;

    // Set-up command write fails: the reply is still read.
    UseAdapter0();
    FailsCode(IoctlBulkWrite);
    usb.adapters[0]->replies = {{12, 0x08}};
    ReadSpiSetup();
    EXPECT_EQ(Messages(), std::vector<std::string>{"Error Setting up SPI"});
    EXPECT_FALSE(app.CurrentAdapter.Present);
    EXPECT_EQ(app.SpiWordDelay, 12);
    EXPECT_EQ(usb.Count(IoctlBulkRead), 1);
    EXPECT_EQ(usb.OpenHandles(), 0);

    // Set-up reply fails: delay 0, bits kept.
    ui.messages.clear();
    UseAdapter0();
    app.SpiStaticBits = 0x20;
    FailsCode(IoctlBulkRead);
    ReadSpiSetup();
    EXPECT_EQ(Messages(), std::vector<std::string>{"Error Reading SPI"});
    EXPECT_FALSE(app.CurrentAdapter.Present);
    EXPECT_EQ(app.SpiWordDelay, 0);
    EXPECT_EQ(app.SpiStaticBits, 0x20);
    EXPECT_EQ(usb.OpenHandles(), 0);

    ui.messages.clear();
    UseAdapter0();
    FailsCode(IoctlBulkWrite);
    SetSpiWordDelay(delay);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Error Setting up SPI"});
    EXPECT_FALSE(app.CurrentAdapter.Present);
    EXPECT_EQ(app.SpiWordDelay, 20);

    ui.messages.clear();
    UseAdapter0();
    FailsCode(IoctlBulkWrite);
    SetSpiStaticBits(bits);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Error Setting SPI Bits"});
    EXPECT_FALSE(app.CurrentAdapter.Present);
    EXPECT_EQ(app.SpiStaticBits, 0x18);

    // Transfer write fails: no reply is read, the words stay.
    ui.messages.clear();
    UseAdapter0();
    app.SpiReadWords[1] = 0x1111;
    FailsCode(IoctlBulkWrite);
    SpiTransfer(count);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Error Writing SPI"});
    EXPECT_FALSE(app.CurrentAdapter.Present);
    EXPECT_EQ(usb.Count(IoctlBulkRead), 0);
    EXPECT_EQ(app.SpiReadWords[1], 0x1111);

    // Transfer reply short: as good as failed, the old words stay.
    ui.messages.clear();
    UseAdapter0();
    usb.failIf = nullptr;
    usb.adapters[0]->replies = {{0x99}};
    SpiTransfer(count);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Error Reading SPI"});
    EXPECT_FALSE(app.CurrentAdapter.Present);
    EXPECT_EQ(app.SpiReadWords[1], 0x1111);
    EXPECT_EQ(usb.OpenHandles(), 0);

    // Once cleared, nothing more is sent and no further message comes.
    ui.messages.clear();
    usb.requests.clear();
    SpiTransfer(count);
    EXPECT_TRUE(usb.requests.empty());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(UsbHostTest, UnpluggedAdapterFailsItsNextTransaction) {
    UseAdapter0();
    usb.unplugAtRequest = 1;
    uint8_t count = 5;
    SpiTransfer(count);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Error Writing SPI"});
    EXPECT_FALSE(App().CurrentAdapter.Present);

    FindUsbAdapters();
    EXPECT_EQ(App().UsbAdapterCount, 0);
}

TEST_F(UsbHostTest, PrimitivesRefuseWhatTheyCannotDo) {
    std::array<uint8_t, 4> buffer{};
    int32_t count = 2;
    EXPECT_EQ(BulkTransfer(0, 1, buffer, count, 0), -2);
    EXPECT_EQ(GetPipeMaxPacketSize(0, 3), 0);
    EXPECT_EQ(GetStringDescriptor(0, 1), "None");

    usb.Attach(0);
    AdapterRecord record;
    record.AdapterName = "Ezusb-0";
    const int32_t handle = OpenUsbDevice(record);
    ASSERT_GE(handle, 1);
    EXPECT_EQ(GetPipeMaxPacketSize(handle, 3), 512);
    EXPECT_EQ(GetPipeMaxPacketSize(handle, 17), 0);
    // A count larger than the buffer sends nothing.
    count = 9;
    EXPECT_EQ(BulkTransfer(handle, 0, buffer, count, 0), 0);
    EXPECT_EQ(usb.Count(IoctlBulkWrite), 0);
    // Extra reads that would run past the buffer stop there.
    usb.adapters[0]->replies = {{1, 2}, {3, 4}, {5, 6}};
    count = 2;
    EXPECT_EQ(BulkTransfer(handle, 1, buffer, count, 2), 0);
    EXPECT_EQ(buffer, (std::array<uint8_t, 4>{1, 2, 3, 4}));
    CloseUsbDevice(handle);
    CloseUsbDevice(handle);
    CloseUsbDevice(-1);
    EXPECT_EQ(usb.closes, 1);

    // A name that does not open: the scan goes on silently.
    record.AdapterName = "Ezusb-2";
    EXPECT_LT(OpenUsbDevice(record), 1);
}

} // namespace
