// The read dispatcher against the simulated boards behind both interfaces, checked against a
// twin sensor converting directly.
#include "app/Analyzer.h"
#include "interfaces/UsbSpiDrivers.h"
#include "sensors/ReadData.h"
#include "simulator/SimParallelBoard.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/FakeClock.h"
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
        App().DelayCalibrated = true;
        // The port box names the open port on either interface, so a stray access shows.
        App().mdiAnalyzer.txtPort.text = "378";
        App().PortAddress = 0x378;
        std::string reason;
        ASSERT_TRUE(OpenPort(0x378, reason));
        usb.Attach(0);
        FindUsbAdapters();
        usb.requests.clear();
        signal.temperatureC = 125; // gyroscope code 2736
    }

    // The model's board behind both interfaces and in the twin, over a fresh signal.
    void Use(const char* model, int16_t interfaceCode) {
        for (SimSensor* s : {&sensor, &usb.sensor, &twin}) {
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
    FakeClock clock;
    SimSignal signal;
    SimSensor sensor;
    SimSensor twin;
    SimParallelBoard board{sensor};
    PortRecorder port{&board};
    ScriptedEzUsbDriver usb;
};

} // namespace

TEST_F(ReadDataTest, ParallelPortReadsByModel) {
    // Without an interface nothing is read and the old temperature shows again.
    Use("KXS306", 0);
    App().Temperature = 12.5f;
    EXPECT_EQ(Read(0), 0);
    EXPECT_FLOAT_EQ(ReadTemperature(), 12.5f);
    EXPECT_TRUE(port.log.empty());

    Use("KXS306", 1);
    // Each read converts the channel addressed by the one before.
    EXPECT_EQ(Read(3), twin.ConvertGyro(0));
    EXPECT_EQ(Read(2), twin.ConvertGyro(3));
    EXPECT_EQ(Read(2), twin.ConvertGyro(2));
    EXPECT_FLOAT_EQ(ReadTemperature(), 125.0f);

    // Model 3: both self-test boxes ticked give the negative self-test.
    Use("KXS305", 1);
    App().mdiAnalyzer.ckSelfTestPos.value = App().mdiAnalyzer.ckSelfTestNeg.value = 1;
    EXPECT_EQ(Read(0), twin.ConvertMux(SimMuxInput::Rate, -1));
    EXPECT_NEAR(ReadTemperature(), 125.0, 0.02);
    EXPECT_TRUE(usb.requests.empty());
}

TEST_F(ReadDataTest, AdapterReadsSendTheModelsWordsAndPickTheAnswer) {
    Use("KXS306", 2);
    // Word k answers for the address of word k - 1: rate, rate, temperature, input 1, input 2;
    // the rate twice in one transaction is one sample.
    for (auto [ch, picked] : {std::pair<int16_t, int>{0, 2}, {2, 4}, {3, 5}, {1, 5}}) {
        twin.BeginTransaction();
        std::vector<int> answers{0, twin.ConvertGyro(0)};
        for (int address = 0; address < 4; ++address) {
            answers.push_back(twin.ConvertGyro(address));
        }
        twin.EndTransaction();
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
