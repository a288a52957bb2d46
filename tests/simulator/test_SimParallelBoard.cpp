#include "sensors/ControlLines.h"
#include "sensors/ReadData.h"
#include "simulator/SimParallelBoard.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/PortRecorder.h"

#include <algorithm>
#include <tuple>

namespace {

// The host's reads through the port against the simulated board, checked against a twin
// sensor with the same configuration converting directly: any bit-order or inversion slip
// on either side of the wire shows as a wrong code.
class SimBoardTest : public AppStateTest {
protected:
    void SetUp() override {
        AppStateTest::SetUp();
        UseQuickDelay();
        App().InterfaceCode = 1;
        App().PortAddress = 0x3BC;
        App().mdiAnalyzer.txtPort.text = "3BC";
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

    // The model's board plugged in and chosen in the program.
    void Plug(const char* model) {
        sensor.SetModel(model);
        twin.SetModel(model);
        App().DeviceName = App().mdiAnalyzer.txtDevice.text = model;
    }

    int32_t Read(int16_t ch) {
        App().ChannelIndex = ch;
        return ReadChannel(ch);
    }

    FakeFrontend ui;
    FakeClock clock;
    SimSensor sensor;
    SimSensor twin;
    SimParallelBoard board{sensor};
    PortRecorder port{&board};
};

} // namespace

TEST_F(SimBoardTest, GyroscopeCodesArriveOneTransferLateAndSelfTestShiftsThem) {
    Plug("KXS306");
    // Each read converts the channel the one before addressed; the first, the power-on rate.
    int16_t previous = 0;
    for (int16_t ch : {2, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}) {
        ASSERT_EQ(Read(ch), twin.ConvertGyro(previous)) << ch;
        previous = ch;
    }
    // The temperature channel: 2048 at 25 degrees, 6.88 codes per degree. Its first transfer
    // converts the rate, and the channel is addressed again afterwards.
    EXPECT_FLOAT_EQ(ReadTemperature(), 31.25f);
    twin.ConvertGyro(0);
    EXPECT_EQ(Read(0), twin.ConvertGyro(0));

    // The self-test lines shift the rate both ways, by the same amount.
    SimSignal quiet;
    quiet.amplitude = 0;
    quiet.noiseCodes = 0;
    Configure(quiet);
    Plug("KXS307");
    auto rate = [this] {
        Read(0);
        return Read(0);
    };
    const int rest = rate();
    SetSelfTestPos(1);
    const int up = rate();
    SetSelfTestPos(0);
    SetSelfTestNeg(1);
    const int down = rate();
    EXPECT_GT(up - rest, 200);
    EXPECT_EQ(up - rest, rest - down);
}

TEST_F(SimBoardTest, AccelerometerAxesPowerDownAndTemperature) {
    Plug("KXS201");
    int16_t previous = 0;
    for (int16_t axis : {1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}) {
        ASSERT_EQ(Read(axis), twin.ConvertAccel(previous)) << axis;
        previous = axis;
    }
    for (double celsius : {31.25, -10.5}) {
        SimSignal signal = sensor.Signal();
        signal.temperatureC = celsius;
        Configure(signal);
        EXPECT_FLOAT_EQ(ReadTemperature(), static_cast<float>(celsius));
    }

    // Power-down takes effect from the transfer that requests it; the output then rests at 0.
    App().PowerDown = 4;
    Read(0);
    EXPECT_EQ(Read(0), 0);
    App().PowerDown = 0;
    Read(0);
    EXPECT_GT(Read(0), 1000);
}

TEST_F(SimBoardTest, ModelThreeMultiplexerAndConverter) {
    Plug("KXS305");
    // The self-test is +1 with the positive line alone, -1 whenever the negative one is on.
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
    EXPECT_NEAR(ReadTemperature(), 31.25, 0.05);
}

TEST(SimSensor, SignalFollowsItsConfiguration) {
    SimSignal signal;
    signal.amplitude = 0.5;
    signal.cyclesPerSweep = 2;
    signal.samplesPerSweep = 400;
    signal.noiseCodes = 0;
    SimSensor sensor;
    sensor.SetSignal(signal);
    sensor.SetModel("KXS306");
    std::vector<int> codes(400);
    std::generate(codes.begin(), codes.end(), [&] { return sensor.ConvertGyro(0); });
    // Half of full scale peak to peak around midscale, two periods (peaks at 50 and 250).
    EXPECT_NEAR(*std::min_element(codes.begin(), codes.end()), 1024, 1);
    for (auto [i, code] : {std::pair{50, 3072}, {150, 1024}, {250, 3072}}) {
        EXPECT_NEAR(codes[i], code, 1) << i;
    }
}
