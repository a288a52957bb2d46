// The simulated adapter through the host side: its board information, the firmware's
// commands, and the sensor parts behind its chip selects.
#include "interfaces/UsbSpiDrivers.h"
#include "platform/AdapterIds.h"
#include "simulator/SimUsbAdapter.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/FakeFrontend.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {

class SimAdapterTest : public AppStateTest {
protected:
    void SetUp() override {
        AppStateTest::SetUp();
        SimSignal quiet;
        quiet.amplitude = 0;
        quiet.noiseCodes = 0;
        quiet.temperatureC = 30;
        sensor.SetSignal(quiet);
        InstallEzUsbDriver(&driver);
    }
    void TearDown() override {
        InstallEzUsbDriver(nullptr);
        AppStateTest::TearDown();
    }
    void Ready(const std::string& model) {
        sensor.SetModel(model);
        driver.Plug(0);
        FindUsbAdapters();
        ASSERT_TRUE(App().CurrentAdapter.Present);
    }
    std::vector<int> Transfer(uint8_t channel, std::initializer_list<int> words) {
        auto& app = App();
        app.SpiChannel = channel;
        uint8_t count = 0;
        for (int w : words) {
            app.SpiWriteWords[++count] = w;
        }
        SpiTransfer(count);
        return {app.SpiReadWords.begin() + 1, app.SpiReadWords.begin() + 1 + count};
    }

    FakeFrontend ui;
    SimSensor sensor;
    SimEzUsbDriver driver{sensor};
};

TEST_F(SimAdapterTest, BoardInformationAndSetUpRoundTrip) {
    driver.Plug(2);
    SimAdapterConfig slow = DefaultSimAdapterConfig();
    slow.highSpeed = false;
    slow.productId = McpProductId;
    driver.Plug(3, slow);
    FindUsbAdapters();
    const auto& app = App();
    EXPECT_EQ(app.UsbAdapterCount, 2);
    EXPECT_EQ(app.CurrentAdapterIndex, 2);
    EXPECT_EQ(app.UsbAdapters[2].Descriptor1, "Quelto");
    EXPECT_EQ(app.UsbAdapters[2].Descriptor2, "USB SPI Adapter");
    EXPECT_FLOAT_EQ(app.UsbAdapters[2].FirmwareRev, 1.2f);
    EXPECT_EQ(app.UsbAdapters[2].UsbSpeed, "2");
    EXPECT_EQ(app.UsbAdapters[3].UsbSpeed, "1.1");
    EXPECT_EQ(app.UsbAdapters[3].BoardType, "MCP");

    uint8_t delay = 33;
    uint8_t bits = 0xE8; // bit 7 is not a static output
    SetSpiWordDelay(delay);
    SetSpiStaticBits(bits);
    App().SpiWordDelay = 0;
    App().SpiStaticBits = 0;
    ReadSpiSetup();
    EXPECT_EQ(App().SpiWordDelay, 33);
    EXPECT_EQ(App().SpiStaticBits, 0x68);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SimAdapterTest, GyroscopeWordsAnswerOneWordLate) {
    for (const char* model : {"KXS306", "KXS307", "KXS305"}) {
        SCOPED_TRACE(model);
        ResetAppState();
        Ready(model);
        // Rate 2048 at rest, temperature 2048 + 5 degrees x 6.88, auxiliaries 1024 and 3072.
        EXPECT_EQ(Transfer(1, {0x8310, 0x8710, 0x8B10, 0x8F10, 0x8310}),
                  (std::vector<int>{2048, 2048, 2082, 1024, 3072}));
        // The first word answers for the address the previous transfer left.
        EXPECT_EQ(Transfer(1, {0x8710, 0x8310}), (std::vector<int>{2048, 2082}));
        // Without bit 15 the word addresses nothing new.
        EXPECT_EQ(Transfer(1, {0x0B10, 0x8310}), (std::vector<int>{2048, 2048}));
        // Nothing sits behind channel 2 of a gyroscope board.
        EXPECT_EQ(Transfer(2, {0}), (std::vector<int>{0}));
    }
}

TEST_F(SimAdapterTest, AccelerometerAxesPowerDownAndTemperature) {
    for (const char* model : {"KXS201", "KXS202"}) {
        SCOPED_TRACE(model);
        ResetAppState();
        Ready(model);
        EXPECT_EQ(Transfer(1, {0x0400, 0x0C00, 0x0000}), (std::vector<int>{2048, 2048, 1966}));
        // Power-down (bit 8) silences the converter from the next word on.
        EXPECT_EQ(Transfer(1, {0x0500, 0x0D00, 0x0100}), (std::vector<int>{2048, 0, 0}));
        EXPECT_EQ(Transfer(1, {0x0400, 0x0C00, 0x0000}), (std::vector<int>{0, 2048, 1966}));
        // 30 degrees in 0.25-degree steps, in bits 14..5.
        EXPECT_EQ(Transfer(2, {0}), (std::vector<int>{120 << 5}));
    }
}

TEST_F(SimAdapterTest, StaticBitsDriveTheSelfTestLines) {
    Ready("KXS306");
    auto rate = [this] { return Transfer(1, {0x8310, 0x8310})[1]; };
    EXPECT_EQ(rate(), 2048);
    uint8_t positive = 96 + 16;
    SetSpiStaticBits(positive);
    EXPECT_EQ(rate(), 2376);
    uint8_t negative = 96 + 8;
    SetSpiStaticBits(negative);
    EXPECT_EQ(rate(), 1720);
    uint8_t off = 96;
    SetSpiStaticBits(off);
    EXPECT_EQ(rate(), 2048);

    // The accelerometer has the positive line only.
    ResetAppState();
    Ready("KXS201");
    auto x = [this] { return Transfer(1, {0x0400, 0x0400})[1]; };
    SetSpiStaticBits(negative);
    EXPECT_EQ(x(), 2048);
    SetSpiStaticBits(positive);
    EXPECT_EQ(x(), 2376);
}

TEST_F(SimAdapterTest, DriverRefusesWhatTheWireWouldNot) {
    driver.Plug(0);
    const int32_t handle = driver.Open("Ezusb-0");
    ASSERT_GE(handle, 1);
    EXPECT_LT(driver.Open("Ezusb-1"), 1);
    EXPECT_LT(driver.Open("ezusb-0"), 1);
    const std::array<uint8_t, 4> pipe1{1, 0, 0, 0};
    const std::array<uint8_t, 4> pipe0{0, 0, 0, 0};
    std::array<uint8_t, 2> reply{};
    uint32_t returned = 0;
    // Nothing to answer: a read times out.
    EXPECT_FALSE(driver.IoControl(handle, IoctlBulkRead, pipe1, reply, returned));
    // Reads only from an endpoint towards the host, writes only to one away from it.
    EXPECT_FALSE(driver.IoControl(handle, IoctlBulkRead, pipe0, reply, returned));
    std::array<uint8_t, 1> revision{0x00};
    EXPECT_FALSE(driver.IoControl(handle, IoctlBulkWrite, pipe1, revision, returned));
    EXPECT_TRUE(driver.IoControl(handle, IoctlBulkWrite, pipe0, revision, returned));
    // A malformed transfer command gets no answer and leaves none.
    std::array<uint8_t, 4> truncated{0x0D, 1, 2, 0x83};
    EXPECT_TRUE(driver.IoControl(handle, IoctlBulkWrite, pipe0, truncated, returned));
    EXPECT_FALSE(driver.IoControl(handle, IoctlBulkRead, pipe1, reply, returned));

    driver.Unplug(0);
    EXPECT_FALSE(driver.IoControl(handle, IoctlBulkWrite, pipe0, revision, returned));
    driver.Close(handle);
    driver.Close(12345);
}

} // namespace
