// The read dispatcher on the adapter against its simulated firmware, checked against a twin
// sensor converting directly. Its reads through the port are checked with the simulated
// board.
#include "app/Analyzer.h"
#include "interfaces/UsbSpiDrivers.h"
#include "sensors/ReadData.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/FakeFrontend.h"
#include "tests/support/PortRecorder.h"
#include "tests/support/ScriptedEzUsb.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

using Bytes = std::vector<uint8_t>;

class ReadDataTest : public AppStateTest {
protected:
    void SetUp() override {
        AppStateTest::SetUp();
        // The port box names the open port on either interface, so a stray access shows.
        App().mdiAnalyzer.txtPort.text = "378";
        App().PortAddress = 0x378;
        std::string reason;
        ASSERT_TRUE(OpenPort(0x378, reason));
        usb.Attach(0);
        FindUsbAdapters();
        usb.requests.clear();
    }

    // The model's board behind the adapter and in the twin, at 125 degrees (gyroscope code
    // 2736).
    void Use(const char* model, int16_t interfaceCode) {
        SimSignal signal;
        signal.temperatureC = 125;
        for (SimSensor* s : {&usb.sensor, &twin}) {
            s->SetSignal(signal);
            s->SetModel(model);
        }
        App().DeviceName = App().mdiAnalyzer.txtDevice.text = model;
        App().InterfaceCode = interfaceCode;
    }

    int32_t Read(int16_t ch) {
        App().ChannelIndex = ch;
        return ReadChannel(ch);
    }

    FakeFrontend ui;
    SimSensor twin;
    PortRecorder port;
    ScriptedEzUsbDriver usb;
};

} // namespace

TEST_F(ReadDataTest, WithoutAnInterfaceNothingIsRead) {
    Use("KXS306", 0);
    App().Temperature = 12.5f;
    EXPECT_EQ(Read(0), 0);
    EXPECT_FLOAT_EQ(ReadTemperature(), 12.5f);
    EXPECT_TRUE(port.log.empty());
    EXPECT_TRUE(usb.requests.empty());
}

TEST_F(ReadDataTest, AdapterReadsSendTheModelsWordsAndPickTheAnswer) {
    Use("KXS306", 2);
    // Word k answers for the address of word k - 1: rate, rate, temperature, input 1, input 2.
    for (auto [ch, picked] : {std::pair<int16_t, int>{0, 2}, {2, 4}, {3, 5}, {1, 5}}) {
        std::vector<int> answers{0, twin.ConvertGyro(0)};
        for (int address = 0; address < 4; ++address) {
            answers.push_back(twin.ConvertGyro(address));
        }
        EXPECT_EQ(Read(ch), answers[picked]) << ch;
    }
    EXPECT_FLOAT_EQ(App().Temperature, 125.0f);
    EXPECT_EQ(usb.Writes().back(),
              (Bytes{0x0E, 1, 5, 0x83, 0x10, 0x87, 0x10, 0x8B, 0x10, 0x8F, 0x10, 0x83, 0x10}));

    Use("KXS201", 2);
    usb.replies = {{0x0F, 0xA0}, {0x2E, 0xE0}}; // 4000 and 12000
    UsbReadAccelTemp();
    EXPECT_FLOAT_EQ(App().Temperature, 31.25f);
    EXPECT_EQ(usb.Writes().back(), (Bytes{0x0E, 2, 1, 0, 0}));
    UsbReadAccelTemp();
    EXPECT_FLOAT_EQ(App().Temperature, -34.25f);
    App().PowerDown = 4;
    Read(1);
    EXPECT_EQ(usb.Writes().back(), (Bytes{0x0E, 1, 3, 0x05, 0x00, 0x0D, 0x00, 0x01, 0x00}));

    // Model 3's temperature comes with the converter words; the port stays untouched.
    Use("KXS305", 2);
    ReadTemperature();
    EXPECT_EQ(App().frmData.lblTemp.caption, "125.00");
    EXPECT_TRUE(port.log.empty());
}
