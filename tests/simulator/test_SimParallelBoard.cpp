#include "app/Analyzer.h"
#include "sensors/PortTransfers.h"
#include "sensors/m305.h"
#include "simulator/SimParallelBoard.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/FakeClock.h"
#include "tests/support/FakeFrontend.h"
#include "tests/support/PortRecorder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The host's transfers against the simulated board, checked against a twin sensor with the
// same configuration converting directly: any bit-order or inversion slip on either side of
// the wire shows as a wrong code.
class SimBoardTest : public AppStateTest {
protected:
    void SetUp() override {
        AppStateTest::SetUp();
        UseQuickDelay();
        auto& app = App();
        app.InterfaceCode = 1;
        app.PortAddress = 0x3BC;
        app.mdiAnalyzer.txtPort.text = "3BC";
        SimSignal signal;
        signal.noiseCodes = 3;
        signal.temperatureC = 31.25;
        Configure(signal);
        std::string reason;
        ASSERT_TRUE(OpenPort(0x3BC, reason));
    }

    void Configure(const SimSignal& signal) {
        sensor.SetSignal(signal);
        twin.SetSignal(signal);
    }

    void Plug(const std::string& model) {
        sensor.SetModel(model);
        twin.SetModel(model);
    }

    int32_t Gyro(int address) {
        App().ChanAddrLow = (address & 1) ? 4 : 0;
        App().ChanAddrHigh = (address & 2) ? 4 : 0;
        return PortReadGyro();
    }

    int32_t Accel(int axis) {
        App().ChanAddrLow = axis ? 4 : 0;
        return PortReadAccel();
    }

    FakeFrontend ui;
    FakeClock clock;
    SimSensor sensor;
    SimSensor twin;
    SimParallelBoard board{sensor};
    PortRecorder port{&board};
};

} // namespace

TEST_F(SimBoardTest, GyroscopeCodesArriveOneTransferLate) {
    Plug("KXS306");
    // The first transfer converts the power-on channel (rate) while it selects channel 2.
    EXPECT_EQ(Gyro(2), twin.ConvertGyro(0));
    EXPECT_EQ(Gyro(2), twin.ConvertGyro(2));
    EXPECT_EQ(Gyro(3), twin.ConvertGyro(2));
    EXPECT_EQ(Gyro(1), twin.ConvertGyro(3));
    EXPECT_EQ(Gyro(0), twin.ConvertGyro(1));
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(Gyro(0), twin.ConvertGyro(0)) << i;
    }

    // The temperature channel: 2048 at 25 degrees, 6.88 codes per degree.
    Gyro(1);
    const int code = Gyro(1);
    EXPECT_EQ(code, 2048 + 43);
    EXPECT_NEAR((code - 2048) / 6.88 + 25.0, 31.25, 0.1);
}

TEST_F(SimBoardTest, GyroscopeSelfTestShiftsTheRateBothWays) {
    SimSignal quiet;
    quiet.amplitude = 0;
    quiet.noiseCodes = 0;
    Configure(quiet);
    Plug("KXS307");
    Gyro(0);
    const int rest = Gyro(0);
    App().SelfTestPosBit = 16;
    Gyro(0);
    const int up = Gyro(0);
    App().SelfTestPosBit = 0;
    App().SelfTestNegBit = 32;
    Gyro(0);
    const int down = Gyro(0);
    EXPECT_GT(up - rest, 200);
    EXPECT_EQ(up - rest, rest - down);
}

TEST_F(SimBoardTest, AccelerometerAxesPowerDownAndTemperature) {
    Plug("KXS201");
    EXPECT_EQ(Accel(1), twin.ConvertAccel(0));
    EXPECT_EQ(Accel(1), twin.ConvertAccel(1));
    EXPECT_EQ(Accel(0), twin.ConvertAccel(1));
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(Accel(0), twin.ConvertAccel(0)) << i;
    }

    PortReadAccelTemp();
    EXPECT_FLOAT_EQ(App().Temperature, 31.25f);
    SimSignal cold = sensor.Signal();
    cold.temperatureC = -10.5;
    Configure(cold);
    PortReadAccelTemp();
    EXPECT_FLOAT_EQ(App().Temperature, -10.5f);

    // Power-down takes effect from the transfer that requests it; the output then rests at 0.
    App().PowerDown = 4;
    Accel(0);
    EXPECT_EQ(Accel(0), 0);
    App().PowerDown = 0;
    Accel(0);
    EXPECT_GT(Accel(0), 1000);
}

TEST_F(SimBoardTest, ModelThreeMultiplexerAndConverter) {
    Plug("KXS305");
    auto read = [this](const char* name, int selfTest) {
        std::string channel = name;
        SetMuxChannel(channel, selfTest);
        return static_cast<int>(ReadAdcValue());
    };
    EXPECT_EQ(read("Rate", 0), twin.ConvertMux(SimMuxInput::Rate, 0));
    EXPECT_EQ(read("ADC1", 0), twin.ConvertMux(SimMuxInput::Adc1, 0));
    EXPECT_EQ(read("adc2", 0), twin.ConvertMux(SimMuxInput::Adc2, 0));
    EXPECT_EQ(read("Rate", 1), twin.ConvertMux(SimMuxInput::Rate, 1));
    EXPECT_EQ(read("Rate", -1), twin.ConvertMux(SimMuxInput::Rate, -1));
    const int temper = read("Temper", 0);
    EXPECT_NEAR(temper * 0.033908420138 - 273.15 + 25, 31.25, 0.05);
}

TEST_F(SimBoardTest, SignalFollowsItsConfiguration) {
    SimSignal signal;
    signal.amplitude = 0.5;
    signal.cyclesPerSweep = 2;
    signal.samplesPerSweep = 400;
    signal.noiseCodes = 0;
    sensor.SetSignal(signal);
    sensor.SetModel("KXS306");
    std::vector<int> codes;
    for (int i = 0; i < 400; ++i) {
        codes.push_back(sensor.ConvertGyro(0));
    }
    // Half of full scale peak to peak around midscale, two periods (peaks at 50 and 250).
    EXPECT_NEAR(*std::min_element(codes.begin(), codes.end()), 2048 - 1024, 1);
    EXPECT_NEAR(codes[50], 3072, 1);
    EXPECT_NEAR(codes[250], 3072, 1);
    EXPECT_NEAR(codes[150], 1024, 1);
}
