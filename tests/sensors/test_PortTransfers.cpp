#include "sensors/PortTransfers.h"
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

    // The word a converter board sees on its data line, sampled at each clock edge where
    // the host sets it (bytes are written inverted).
    static int WordSent(const std::vector<int>& writes, int first, int step, int mask) {
        int word = 0;
        for (int k = 0; k < 16; ++k) {
            word = word << 1 | (((mask - writes[first + k * step]) & 4) ? 1 : 0);
        }
        return word;
    }

    FakeFrontend ui;
    PortRecorder port;
    PortClock clock{port};
};

} // namespace

TEST_F(PortTransferTest, GyroscopeTransferBytesWaitsAndControlWord) {
    auto& app = App();
    app.ChanAddrLow = 4;
    PortReadGyro();

    const auto writes = port.DataWrites();
    ASSERT_EQ(writes.size(), 2u + 32u + 1u);
    // Select inactive then active, clock 1.
    EXPECT_EQ((std::vector{writes[0], writes[1], writes.back()}), (std::vector{60, 61, 60}));
    EXPECT_EQ(WordSent(writes, 2, 2, 63), 0x8715);

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

    port.log.clear();
    app.ChanAddrHigh = 4;
    app.SelfTestNegBit = 32;
    PortReadGyro();
    const auto withSelfTest = port.DataWrites();
    EXPECT_EQ(WordSent(withSelfTest, 2, 2, 63 - 32), 0x8F15);
    for (int byte : withSelfTest) {
        EXPECT_EQ(byte & ~31, 0) << byte; // the negative line is held on in every byte
    }
}

TEST_F(PortTransferTest, AccelerometerTransfersCarryChannelPowerDownAndSelfTest) {
    auto& app = App();
    app.ChanAddrLow = 4;
    app.PowerDown = 4;
    app.SelfTestPosBit = 16;
    PortReadAccel();
    const auto writes = port.DataWrites();
    ASSERT_EQ(writes.size(), 2u + 32u + 1u);
    EXPECT_EQ(WordSent(writes, 2, 2, 255 - 16), 0x8980);
    EXPECT_EQ(writes[0], 255 - 16 - 35);
    EXPECT_EQ(writes.back(), 255 - 16 - 33);

    port.log.clear();
    PortReadAccelTemp();
    EXPECT_EQ(port.DataWrites()[1], 255 - 16 - 3); // temperature select active
    // The 0.5 ms pause comes between the select and the first clock.
    int waitsAfterSelect = 0;
    for (std::size_t i = 3; port.log[i].kind == PortEvent::Wait; ++i) {
        ++waitsAfterSelect;
    }
    EXPECT_EQ(waitsAfterSelect, 50);

    for (const auto& e : port.log) {
        if (e.kind == PortEvent::Write) {
            EXPECT_EQ(e.value & 16, 0) << e.value;
            EXPECT_EQ(e.value & 0xC0, 0xC0) << e.value;
        }
    }
}

TEST_F(PortTransferTest, SetMuxWritesAndMessages) {
    std::string rate = "Rate";
    setMux(rate, 0);
    EXPECT_EQ(rate, "RATE");
    const std::vector<int> expected = {2,  2,  2,  34, 34, 34, 32, 36, 38, 36, 36,
                                       38, 36, 32, 34, 32, 36, 38, 36, 36, 38, 36,
                                       36, 38, 36, 36, 38, 36, 36, 38, 36, 0};
    EXPECT_EQ(port.DataWrites(), expected);

    // The register word as the board shifts it in: data travels inverted.
    auto wordOf = [this] {
        const auto w = port.DataWrites();
        int word = 0;
        for (int bit = 0; bit < 8; ++bit) {
            word = word << 1 | ((w[8 + 3 * bit] & 4) ? 0 : 1);
        }
        return word;
    };
    for (auto [name, selfTest, word] : {std::tuple{"Temper", 1, 18}, {"rate", -1, 33}}) {
        port.log.clear();
        std::string channel = name;
        setMux(channel, selfTest);
        EXPECT_EQ(wordOf(), word) << name;
    }

    port.log.clear();
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
