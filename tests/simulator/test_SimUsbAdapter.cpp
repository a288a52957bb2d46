// The simulated adapter's firmware through the host side: the sensor parts behind its chip
// selects answering one word late, the self-test lines on its static bits, and the requests
// its driver refuses as the wire would.
#include "interfaces/UsbSpiDrivers.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/FakeFrontend.h"
#include "tests/support/ScriptedEzUsb.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {

class SimAdapterTest : public AppStateTest {
protected:
    // A fresh adapter over a quiet sensor of this model, current.
    void Ready(const std::string& model) {
        ResetAppState();
        SimSignal quiet;
        quiet.amplitude = 0;
        quiet.noiseCodes = 0;
        quiet.temperatureC = 30;
        usb.sensor.SetSignal(quiet);
        usb.sensor.SetModel(model);
        usb.Attach(0);
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
    ScriptedEzUsbDriver usb;
};

TEST_F(SimAdapterTest, GyroscopeWordsAnswerOneWordLate) {
    for (const char* model : {"KXS306", "KXS307", "KXS305"}) {
        SCOPED_TRACE(model);
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
    Ready("KXS202");
    EXPECT_EQ(Transfer(1, {0x0400, 0x0C00, 0x0000}), (std::vector<int>{2048, 2048, 1966}));
    // Power-down (bit 8) silences the converter from the next word on.
    EXPECT_EQ(Transfer(1, {0x0500, 0x0D00, 0x0100}), (std::vector<int>{2048, 0, 0}));
    EXPECT_EQ(Transfer(1, {0x0400, 0x0C00, 0x0000}), (std::vector<int>{0, 2048, 1966}));
    // 30 degrees in 0.25-degree steps, in bits 14..5.
    EXPECT_EQ(Transfer(2, {0}), (std::vector<int>{120 << 5}));
}

TEST_F(SimAdapterTest, StaticBitsDriveTheSelfTestLines) {
    // The accelerometer has the positive line only.
    for (const char* model : {"KXS306", "KXS201"}) {
        Ready(model);
        const int negative = model[3] == '3' ? 1720 : 2048;
        for (auto [bits, code] :
             {std::pair<uint8_t, int>{96, 2048}, {96 + 16, 2376}, {96 + 8, negative}, {96, 2048}}) {
            uint8_t sent = bits;
            SetSpiStaticBits(sent);
            // Without bit 15 a gyroscope's word keeps the rate; bit 8 would power an
            // accelerometer down.
            EXPECT_EQ(Transfer(1, {0x0400, 0x0400})[1], code) << model << " " << int(bits);
        }
    }
}

TEST_F(SimAdapterTest, DriverRefusesWhatTheWireWouldNot) {
    usb.Attach(0);
    const int32_t handle = usb.Open("Ezusb-0");
    std::array<uint8_t, 2> reply{};
    std::array<uint8_t, 1> revision{0x00};
    std::array<uint8_t, 4> truncated{0x0D, 1, 2, 0x83};
    auto request = [&](uint32_t code, uint8_t pipe, std::span<uint8_t> bytes) {
        const std::array<uint8_t, 4> input{pipe, 0, 0, 0};
        uint32_t returned = 0;
        return usb.IoControl(handle, code, input, bytes, returned);
    };
    // Nothing to answer: a read times out.
    EXPECT_FALSE(request(IoctlBulkRead, 1, reply));
    // Reads only from an endpoint towards the host, writes only to one away from it.
    EXPECT_FALSE(request(IoctlBulkRead, 0, reply));
    EXPECT_FALSE(request(IoctlBulkWrite, 1, revision));
    // A malformed transfer command drops the pending reply and leaves none.
    EXPECT_TRUE(request(IoctlBulkWrite, 0, revision));
    EXPECT_TRUE(request(IoctlBulkWrite, 0, truncated));
    EXPECT_FALSE(request(IoctlBulkRead, 1, reply));
}

} // namespace
