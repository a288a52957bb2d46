#include "sensors/PortTransfers.h"
#include "sensors/ReadData.h"
#include "sensors/m305.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/PortRecorder.h"

namespace {

constexpr int kMinimumLoop = 40;
constexpr int kLoopCount = 100; // iterations per 0.01 ms in these tests

class PortTransferTest : public AppStateTest {
protected:
    void SetUp() override {
        AppStateTest::SetUp();
        UseQuickDelay();
        App().DelayLoopCount = kLoopCount;
        clock.secondsPerIteration = 1e-5 / kLoopCount;
        App().InterfaceCode = 1;
        App().PortAddress = 0x378;
        App().mdiAnalyzer.txtPort.text = "378";
        std::string reason;
        ASSERT_TRUE(OpenPort(0x378, reason));
    }

    std::vector<PortEvent::Kind> Kinds() const {
        std::vector<PortEvent::Kind> kinds;
        for (const auto& e : port.log) {
            kinds.push_back(e.kind);
        }
        return kinds;
    }

    FakeFrontend ui;
    PortRecorder port;
    PortClock clock{port};
};

} // namespace

// The bits on the wire are checked against the simulated board (SimulatedBoards); here, the
// waits the board needs between the accesses, which it does not check.
TEST_F(PortTransferTest, GyroscopeTransferWaits) {
    PortReadGyro();
    ASSERT_EQ(port.DataWrites().size(), 2u + 32u + 1u);
    // Each phase waits the minimum loop; the transfer ends with a 0.1 ms pause, then lets
    // events run.
    std::vector<PortEvent::Kind> expected = {PortEvent::Write, PortEvent::Wait, PortEvent::Write,
                                             PortEvent::Wait};
    for (int i = 0; i < 16; ++i) {
        expected.insert(expected.end(), {PortEvent::Write, PortEvent::Wait, PortEvent::Write,
                                         PortEvent::Wait, PortEvent::Read, PortEvent::Wait});
    }
    expected.push_back(PortEvent::Write);
    expected.insert(expected.end(), 10, PortEvent::Wait);
    EXPECT_EQ(Kinds(), expected);
    EXPECT_EQ(port.log[1].value, kMinimumLoop);
    EXPECT_EQ(port.log.back().value, kLoopCount);
    EXPECT_EQ(ui.doEventsCalls, 1);
}

// Every channel and the temperature of a model of each board, with the status line at 1 and at 0
// and the lines that ride along set: a checksum of every port access and result, recorded before
// the transfers went over the line driver.
TEST_F(PortTransferTest, EachBoardGetsTheSameBytesOnTheWire) {
    const std::pair<const char*, uint32_t> models[] = {
        {"KXS201", 205230200u}, {"KXS305", 3251254414u}, {"KXS306", 583428095u}};
    for (const auto& [name, expected] : models) {
        port.log.clear();
        App().DeviceName = name;
        App().mdiAnalyzer.txtDevice.text = name;
        uint32_t sum = 2166136261u;
        auto mix = [&sum](int v) { sum = (sum ^ static_cast<uint32_t>(v)) * 16777619u; };
        for (const bool high : {true, false}) {
            port.statusValue = high ? 0xFF : 0xBF;
            App().SelfTestPosBit = high ? 16 : 0;
            App().SelfTestNegBit = high ? 0 : 32;
            App().PowerDown = high ? 0 : 4;
            for (int16_t ch = 0; ch < 4; ++ch) {
                App().ChannelIndex = ch;
                mix(ReadChannel(ch));
            }
            mix(static_cast<int>(ReadTemperature() * 4));
        }
        for (const auto& e : port.log) {
            if (e.kind != PortEvent::Wait) {
                mix(e.kind << 16 | static_cast<int>(e.reg) << 8 | e.value);
            }
        }
        EXPECT_EQ(sum, expected) << name;
    }
}

TEST_F(PortTransferTest, AccelerometerTemperatureWaits) {
    PortReadAccelTemp();
    // The 0.5 ms pause comes between the select and the first clock.
    int waitsAfterSelect = 0;
    for (std::size_t i = 3; port.log[i].kind == PortEvent::Wait; ++i) {
        ++waitsAfterSelect;
    }
    EXPECT_EQ(waitsAfterSelect, 50);
}

// The multiplexer's inputs are checked through the simulated board (SimulatedBoards,
// ModelThreeMultiplexerAndConverter); here, the names it refuses.
TEST_F(PortTransferTest, SetMuxRefusesUnknownNamesAndSelfTests) {
    std::string gyro = "Gyro", adc1 = "ADC1";
    setMux(gyro, 0);
    setMux(adc1, 2);
    EXPECT_TRUE(port.log.empty());
    // Each refusal names the value refused.
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_NE(ui.messages[0].text.find("ChanName = GYRO"), std::string::npos);
    EXPECT_NE(ui.messages[1].text.find("SelfTest = 2"), std::string::npos);
}

TEST_F(PortTransferTest, ModelThreeRoutinesStayOffThePortUnlessItIsTheInterface) {
    // On the adapter, even a box naming the open port reaches nothing; on the port, a box
    // naming another address reaches nothing either.
    for (auto [interfaceCode, box] : {std::pair<int16_t, const char*>{2, "378"}, {1, "278"}}) {
        App().InterfaceCode = interfaceCode;
        App().mdiAnalyzer.txtPort.text = box;
        std::string rate = "RATE";
        setMux(rate, 0);
        EXPECT_EQ(readAdc(), 0);
        EXPECT_TRUE(port.log.empty()) << box;
    }
}
