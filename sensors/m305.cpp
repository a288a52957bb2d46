#include "sensors/m305.h"

#include "forms/MainWindowForm.h"
#include "interfaces/Interface.h"
#include "platform/Frontend.h"
#include "platform/PortIo.h"
#include "platform/TextFormat.h"

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

    int word = 0;
    if (ChanName == "ADC2") {
        word = 128;
    } else if (ChanName == "ADC1") {
        word = 64;
    } else if (ChanName == "RATE") {
        word = 32;
    } else if (ChanName == "TEMPER") {
        word = 16;
    } else {
        ShowSetMuxError("ChanName must = ADC1 , ADC2 , Rate or  Temper", "ChanName = " + ChanName);
        return;
    }
    if (SelfTest == -1) {
        word |= 1;
    } else if (SelfTest == 1) {
        word |= 2;
    } else if (SelfTest != 0) {
        ShowSetMuxError("SeflTest must = -1 , 0 or 1", "SelfTest = " + GeneralText(SelfTest));
        return;
    }
    if (!OnParallelPort()) {
        return;
    }

    for (int value : {2, 2, 2, 34, 34, 34, 32}) {
        vbOut(port, static_cast<int16_t>(value));
    }
    for (int position = 7; position >= 0; --position) {
        const int b = 1 - ((word >> position) & 1);
        vbOut(port, static_cast<int16_t>(32 + 4 * b));
        vbOut(port, static_cast<int16_t>(34 + 4 * b));
        vbOut(port, static_cast<int16_t>(32 + 4 * b));
    }
    vbOut(port, 0);
}

double ReadAdcValue() { return readAdc(); }

double readAdc() {
    if (!OnParallelPort()) {
        return 0;
    }
    const int16_t port = PortFromBox();
    const auto status = static_cast<int16_t>(port + 1);
    auto out = [port](int value) { vbOut(port, static_cast<int16_t>(value)); };

    out(2);
    out(3);
    out(1);
    for (int pulse = 0; pulse < 4; ++pulse) {
        out(3);
        out(1);
    }
    out(3);
    vbInp(status);

    int bits[16] = {};
    for (int i = 15; i >= 0; --i) {
        out(1);
        out(3);
        bits[i] = (vbInp(status) & 64) ? 1 : 0;
    }
    int code = 0;
    for (int i = 2; i <= 15; ++i) {
        code += (1 - bits[i]) << (i - 2);
    }

    out(1);
    out(3);
    vbInp(status);
    out(2);
    return code;
}
