// The host's reads against the simulated boards where the command line's recorded runs, which
// pin the codes of every model on both interfaces, do not reach, checked against a twin sensor
// with the same configuration converting directly. Also the adapter's firmware: the words the
// reads send, the parts behind its chip selects answering one word late and the self-test
// lines on its static bits.
#include "interfaces/UsbSpiDrivers.h"
#include "sensors/ControlLines.h"
#include "sensors/ReadData.h"
#include "simulator/SimParallelBoard.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/PortRecorder.h"
#include "tests/support/ScriptedEzUsb.h"

#include <initializer_list>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

class SimBoardsTest : public AppStateTest {
protected:
    // No sine and no noise, at 30 degrees.
    static SimSignal Quiet() {
        SimSignal quiet;
        quiet.amplitude = quiet.noiseCodes = 0;
        quiet.temperatureC = 30;
        return quiet;
    }
    // A fresh program over sensors of this model, chosen, with the adapter current and the
    // port open, the interface code saying which of them the reads take. The port box names
    // the open port, so a stray access shows.
    void Ready(const std::string& model, int16_t interfaceCode, const SimSignal& signal = Quiet()) {
        ResetAppState();
        UseQuickDelay();
        Configure(signal);
        usb.sensor.SetModel(model);
        twin.SetModel(model);
        usb.Attach(0);
        FindUsbAdapters();
        ASSERT_TRUE(App().CurrentAdapter.Present);
        usb.requests.clear();
        auto& app = App();
        app.DeviceName = app.mdiAnalyzer.txtDevice.text = model;
        app.InterfaceCode = interfaceCode;
        app.mdiAnalyzer.txtPort.text = "378";
        app.PortAddress = 0x378;
        std::string reason;
        ASSERT_TRUE(OpenPort(0x378, reason));
    }
    void Configure(const SimSignal& signal) {
        usb.sensor.SetSignal(signal);
        twin.SetSignal(signal);
    }
    int32_t Read(int16_t ch) {
        App().ChannelIndex = ch;
        return ReadChannel(ch);
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
    FakeClock clock;
    // The parallel board and the adapter share one sensor.
    ScriptedEzUsbDriver usb;
    SimSensor twin;
    SimParallelBoard board{usb.sensor};
    PortRecorder port{&board};
};

TEST_F(SimBoardsTest, StaticBitsDriveTheSelfTestLines) {
    // The accelerometer has the positive line only.
    for (const char* model : {"KXS306", "KXS201"}) {
        Ready(model, 2);
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

TEST_F(SimBoardsTest, ReadsSendTheModelsWords) {
    SimSignal signal;
    signal.temperatureC = 125; // gyroscope code 2736
    Ready("KXS306", 2, signal);
    // Rate, temperature, input 1, input 2 and the rate again, each answered one word late; which
    // answer each channel takes is the recorded runs'.
    Read(0);
    EXPECT_FLOAT_EQ(App().Temperature, 125.0f);
    EXPECT_EQ(usb.Writes().back(),
              (Bytes{0x0E, 1, 5, 0x83, 0x10, 0x87, 0x10, 0x8B, 0x10, 0x8F, 0x10, 0x83, 0x10}));

    Ready("KXS201", 2, signal);
    usb.replies = {{0x0F, 0xA0}, {0x2E, 0xE0}}; // 4000 and 12000
    UsbReadAccelTemp();
    EXPECT_FLOAT_EQ(App().Temperature, 31.25f);
    EXPECT_EQ(usb.Writes().back(), (Bytes{0x0E, 2, 1, 0, 0}));
    UsbReadAccelTemp();
    EXPECT_FLOAT_EQ(App().Temperature, -34.25f);
    App().PowerDown = 4;
    Read(1);
    EXPECT_EQ(usb.Writes().back(), (Bytes{0x0E, 1, 3, 0x05, 0x00, 0x0D, 0x00, 0x01, 0x00}));

    // Model 3's temperature comes with the converter words.
    Ready("KXS305", 2, signal);
    ReadTemperature();
    EXPECT_EQ(App().frmData.lblTemp.caption, "125.00");
    EXPECT_TRUE(port.log.empty());

    // Without an interface nothing is read, and the old temperature shows again.
    Ready("KXS306", 2);
    App().InterfaceCode = 0;
    App().Temperature = 12.5f;
    EXPECT_EQ(Read(0), 0);
    EXPECT_FLOAT_EQ(ReadTemperature(), 12.5f);
    EXPECT_TRUE(port.log.empty());
    EXPECT_TRUE(usb.requests.empty());
}

// Through the adapter: the words carry the axis and power-down, channel 2 the temperature.
TEST_F(SimBoardsTest, AdapterWordsCarryTheAxisPowerDownAndTemperature) {
    Ready("KXS202", 2);
    EXPECT_EQ(Transfer(1, {0x0400, 0x0C00, 0x0000}), (std::vector<int>{2048, 2048, 1966}));
    // Power-down (bit 8) silences the converter from the next word on.
    EXPECT_EQ(Transfer(1, {0x0500, 0x0D00, 0x0100}), (std::vector<int>{2048, 0, 0}));
    EXPECT_EQ(Transfer(1, {0x0400, 0x0C00, 0x0000}), (std::vector<int>{0, 2048, 1966}));
    // 30 degrees in 0.25-degree steps, in bits 14..5.
    EXPECT_EQ(Transfer(2, {0}), (std::vector<int>{120 << 5}));
}

// Through the parallel port: an accelerometer's temperature below 0 carries its sign, and
// model 3's self-test is +1 with the positive line alone, -1 whenever the negative one is on.
TEST_F(SimBoardsTest, ParallelTemperatureSignAndModelThreeSelfTest) {
    Ready("KXS201", 1);
    for (double celsius : {31.25, -10.5}) {
        SimSignal signal = Quiet();
        signal.temperatureC = celsius;
        Configure(signal);
        EXPECT_FLOAT_EQ(ReadTemperature(), static_cast<float>(celsius));
    }

    Ready("KXS305", 1);
    const std::tuple<int16_t, int16_t, int16_t, SimMuxInput, int> cases[] = {
        {0, 0, 0, SimMuxInput::Rate, 0},
        {2, 0, 0, SimMuxInput::Adc1, 0},
        {3, 0, 0, SimMuxInput::Adc2, 0},
        {0, 1, 0, SimMuxInput::Rate, 1},
        {0, 1, 1, SimMuxInput::Rate, -1}};
    for (auto [ch, positive, negative, input, selfTest] : cases) {
        SetSelfTestPos(positive);
        SetSelfTestNeg(negative);
        EXPECT_EQ(Read(ch), twin.ConvertMux(input, selfTest)) << ch << positive << negative;
    }
}

} // namespace
