#include "sensors/m305.h"

#include "forms/MainWindowForm.h"
#include "interfaces/Interface.h"
#include "platform/ConverterWords.h"
#include "platform/Frontend.h"
#include "platform/TextFormat.h"
#include "sensors/LineDriver.h"

#include <algorithm>
#include <cctype>

namespace {

// The board sits on the parallel port only; with another interface the port box holds an
// adapter name, and no address but the chosen port's may be written.
bool OnParallelPort() { return Interface().InterfaceCode == 1; }

// The routines take the port box as the truth, afresh on every call.
int16_t PortFromBox() { return HexTextToInteger(mdiAnalyzer().txtPort.text); }

void ShowSetMuxError(const std::string& line5, const std::string& line6) {
    const std::string nl = "\r\n";
    Ui().MsgBox("ERROR" + nl + "module: m305" + nl + "sub: setMux" + nl + nl + line5 + nl + line6 +
                nl);
}

} // namespace

void SetMuxChannel(std::string& ChanName, double SelfTest) { setMux(ChanName, SelfTest); }

void setMux(std::string& ChanName, double SelfTest) {
    const int16_t port = PortFromBox();
    std::transform(ChanName.begin(), ChanName.end(), ChanName.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });

    uint8_t word = 0;
    if (ChanName == "ADC2") {
        word = words::kMuxAdc2;
    } else if (ChanName == "ADC1") {
        word = words::kMuxAdc1;
    } else if (ChanName == "RATE") {
        word = words::kMuxRate;
    } else if (ChanName == "TEMPER") {
        word = words::kMuxTemper;
    } else {
        ShowSetMuxError("ChanName must = ADC1 , ADC2 , Rate or  Temper", "ChanName = " + ChanName);
        return;
    }
    if (SelfTest != -1 && SelfTest != 0 && SelfTest != 1) {
        ShowSetMuxError("SeflTest must = -1 , 0 or 1", "SelfTest = " + GeneralText(SelfTest));
        return;
    }
    word |= words::MuxSelfTestBits(static_cast<int>(SelfTest));
    if (!OnParallelPort()) {
        return;
    }

    const LineDriver wire(PortPath::Multiplexed, port);
    // The register's line rises while the clock is high.
    for (int i = 0; i < 3; ++i) {
        wire.Set({.clock = true});
    }
    for (int i = 0; i < 3; ++i) {
        wire.Set({.clock = true, .load = true});
    }
    wire.Set({.load = true});
    // Most significant bit first, taken on the rising edge; the register takes its bits
    // inverted.
    for (int position = words::kMuxWordBits - 1; position >= 0; --position) {
        const bool data = ((word >> position) & 1) == 0;
        wire.Set({.data = data, .load = true});
        wire.Set({.clock = true, .data = data, .load = true});
        wire.Set({.data = data, .load = true});
    }
    wire.Set({});
}

double ReadAdcValue() { return readAdc(); }

double readAdc() {
    if (!OnParallelPort()) {
        return 0;
    }
    const LineDriver wire(PortPath::Multiplexed, PortFromBox());
    const BoardLines clockHigh{.select = true, .clock = true};
    const BoardLines clockLow{.select = true};

    // The converter line rises while the clock is high; four pulses pass before the code.
    wire.Set({.clock = true});
    wire.Set(clockHigh);
    wire.Set(clockLow);
    for (int pulse = 0; pulse < 4; ++pulse) {
        wire.Set(clockHigh);
        wire.Set(clockLow);
    }
    wire.Set(clockHigh);
    wire.DataIn();

    // Most significant bit first in a 16-bit frame; the last two bits are not the code's.
    const int frameBits = words::kMuxCodeBits + 2;
    int code = 0;
    for (int i = frameBits - 1; i >= 0; --i) {
        wire.Set(clockLow);
        wire.Set(clockHigh);
        const int bit = wire.DataIn();
        if (i >= 2) {
            code += bit << (i - 2);
        }
    }

    wire.Set(clockLow);
    wire.Set(clockHigh);
    wire.DataIn();
    wire.Set({.clock = true});
    return code;
}
