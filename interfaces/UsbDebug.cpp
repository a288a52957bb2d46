#include "interfaces/UsbDebug.h"

#include "app/Analyzer.h"
#include "app/TextFormat.h"
#include "interfaces/UsbSelect.h"
#include "interfaces/UsbSpiDrivers.h"
#include "platform/Frontend.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr int16_t kNone = 4;
constexpr int16_t kEnter = 13;
constexpr int kMaxWords = 16;
constexpr const char* kNoAdapter = "Please Select a Buffer first";
// Static-bit boxes 2..5 and their bits.
constexpr uint8_t kStaticBit[6] = {0, 0, 0x08, 0x10, 0x20, 0x40};

FrmUSBdebugForm& Form() { return App().frmUSBdebug; }

bool AdapterReady() {
    if (App().CurrentAdapter.Present) {
        return true;
    }
    Ui().MsgBox(kNoAdapter);
    return false;
}

void MarkNone() { ChooseOption(Form().optUsbPort.data(), 5, kNone, frmUSBdebug_optUsbPort_Click); }

// The rows show the adapters as the last search found them, less those lost since.
void ShowAdapterRows() {
    const auto& app = App();
    auto& f = Form();
    for (size_t i = 0; i < 4; ++i) {
        const auto& record = app.UsbAdapters[i];
        f.optUsbPort[i].enabled = record.Present;
        f.txtUsbPort[i].text =
            record.Present ? record.BoardType + " - " + std::to_string(record.Unit) : "None";
        f.txtDescript0[i].text = record.Present ? record.Descriptor1 : "";
        f.txtDescript1[i].text = record.Present ? record.Descriptor2 : "";
        f.txtDriverRev[i].text = record.Present ? Format(record.FirmwareRev, "0.0") : "";
        f.txtSpeed[i].text = record.Present ? SpeedText(record.UsbSpeed) : "";
    }
}

// A failed transfer took the adapter away: its row goes at once, not at the next search.
void ShowAdapterLost() {
    ShowAdapterRows();
    MarkNone();
}

void ShowDelay() { Form().txtLoopDelay.text = std::to_string(App().SpiWordDelay); }

// Rounds (halves to even) into lo..hi; huge values are clamped first so they can't overflow.
int RoundInto(double value, int lo, int hi) {
    const double bounded = std::clamp(value, lo - 1.0, hi + 1.0);
    return static_cast<int>(std::clamp<int64_t>(RoundToEven(bounded), lo, hi));
}

void ShowReadWords() {
    auto& app = App();
    for (int k = 1; k <= app.SpiWordCount && k <= kMaxWords; ++k) {
        Form().txtReadSpi[static_cast<size_t>(k)].text =
            HexText(static_cast<uint32_t>(app.SpiReadWords[static_cast<size_t>(k)]));
    }
}

// A plain decimal number: up to three digits, optionally up to two decimals.
bool PlainNumber(std::string_view text) {
    const size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    const std::string_view fraction = dot == std::string_view::npos ? "" : text.substr(dot + 1);
    auto digits = [](std::string_view s) {
        return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    return whole.size() <= 3 && fraction.size() <= 2 && digits(whole) && digits(fraction);
}

} // namespace

bool WordBoxAccepts(std::string_view text) {
    return text.size() <= 4 && std::all_of(text.begin(), text.end(), [](char c) {
               return std::isxdigit(static_cast<unsigned char>(c)) != 0;
           });
}

bool WordCountBoxAccepts(std::string_view text) {
    // 255.5 would round to 256.
    return PlainNumber(text) && LeadingNumber(text) < 255.5;
}

bool DelayBoxAccepts(std::string_view text) { return PlainNumber(text); }

void frmUSBdebug_Form_Load() {
    const auto& plot = App().frmData.form;
    Form().form.left = plot.left;
    Form().form.top = plot.top;
}

void frmUSBdebug_Form_Activate() {
    auto& app = App();
    auto& f = Form();
    frmUSBdebug_cmdFindEzUsb_Click();
    if (app.SpiChannel >= 1 && app.SpiChannel <= 4) {
        ChooseOption(f.optSpiChan.data(), 5, app.SpiChannel, frmUSBdebug_optSpiChan_Click);
    }
    f.cmdPolarity.caption = app.SpiInputPolarity ? "Pos" : "Neg";
}

void frmUSBdebug_cmdFindEzUsb_Click() {
    auto& app = App();
    FindUsbAdapters();
    ShowAdapterRows();
    if (app.CurrentAdapterIndex >= 0 && app.CurrentAdapterIndex < 4) {
        ChooseOption(Form().optUsbPort.data(), 5, app.CurrentAdapterIndex,
                     frmUSBdebug_optUsbPort_Click);
    } else {
        MarkNone();
    }
}

void frmUSBdebug_optUsbPort_Click(int16_t Index) {
    auto& app = App();
    auto& f = Form();
    if (Index >= 0 && Index < 4) {
        app.CurrentAdapter = app.UsbAdapters[static_cast<size_t>(Index)];
        f.frameSPIsetup.enabled = true;
        f.frameManual.enabled = true;
        SetSpiStaticBits(app.SpiStaticBits);
        SetSpiWordDelay(app.SpiWordDelay);
        frmUSBdebug_cmdReadDelay_Click();
        frmUSBdebug_cmdReadBits_Click();
    } else if (Index == kNone) {
        f.frameSPIsetup.enabled = false;
        f.frameManual.enabled = false;
        app.CurrentAdapter.Present = false;
        app.StopRequested = true;
    }
}

void frmUSBdebug_optSpiChan_Click(int16_t Index) {
    if (Index >= 1 && Index <= 4) {
        App().SpiChannel = static_cast<uint8_t>(Index);
    }
}

void frmUSBdebug_cmdReadDelay_Click() {
    if (AdapterReady()) {
        ReadSpiSetup();
        if (!App().CurrentAdapter.Present) {
            ShowAdapterLost();
        }
    }
    ShowDelay();
}

void frmUSBdebug_txtLoopDelay_KeyDown(int16_t KeyCode, int16_t) {
    if (KeyCode != kEnter) {
        return;
    }
    if (AdapterReady()) {
        auto delay =
            static_cast<uint8_t>(RoundInto(LeadingNumber(Form().txtLoopDelay.text), 1, 255));
        SetSpiWordDelay(delay);
    }
    ShowDelay();
}

void frmUSBdebug_cmdPolarity_Click() {
    auto& f = Form();
    if (f.cmdPolarity.caption != "Pos") {
        f.cmdPolarity.caption = "Pos";
        App().SpiInputPolarity = true;
    } else {
        f.cmdPolarity.caption = "Neg";
        App().SpiInputPolarity = false;
    }
}

void frmUSBdebug_cmdReadBits_Click() {
    auto& f = Form();
    if (!AdapterReady()) {
        ShowDelay();
        return;
    }
    for (int b = 2; b <= 5; ++b) {
        f.chkStaticBits[static_cast<size_t>(b)].value = 0;
    }
    ReadSpiSetup();
    for (int b = 2; b <= 5; ++b) {
        if (App().SpiStaticBits & kStaticBit[b]) {
            f.chkStaticBits[static_cast<size_t>(b)].value = 1;
        }
    }
}

void frmUSBdebug_cmdSetSpiBits_Click() {
    auto& app = App();
    if (!AdapterReady()) {
        MarkNone();
        app.StopRequested = true;
        return;
    }
    uint8_t bits = 0;
    for (int b = 2; b <= 5; ++b) {
        if (Form().chkStaticBits[static_cast<size_t>(b)].value != 0) {
            bits = static_cast<uint8_t>(bits + kStaticBit[b]);
        }
    }
    SetSpiStaticBits(bits);
    if (!app.CurrentAdapter.Present) {
        ShowAdapterLost();
    }
}

void frmUSBdebug_cmdWriteSpi_Click() {
    auto& app = App();
    auto& f = Form();
    if (!AdapterReady()) {
        MarkNone();
        app.StopRequested = true;
        return;
    }
    if (!f.txtNumWords.text.empty()) {
        app.SpiWordCount =
            static_cast<uint8_t>(RoundInto(LeadingNumber(f.txtNumWords.text), 0, 255));
    }
    app.SpiWordCount = std::clamp<uint8_t>(app.SpiWordCount, 1, kMaxWords);
    const int count = app.SpiWordCount;
    f.txtNumWords.text = std::to_string(count);
    for (int k = 1; k <= count; ++k) {
        auto& box = f.txtWriteSpi[static_cast<size_t>(k)];
        const int32_t word = box.text.empty() ? 0 : HexTextToWord(box.text);
        app.SpiWriteWords[static_cast<size_t>(k)] = word;
        box.text = HexText(static_cast<uint32_t>(word));
    }
    for (int k = count + 1; k <= kMaxWords; ++k) {
        f.txtWriteSpi[static_cast<size_t>(k)].text.clear();
    }
    for (int k = 1; k <= kMaxWords; ++k) {
        f.txtReadSpi[static_cast<size_t>(k)].text.clear();
    }
    SpiTransfer(app.SpiWordCount);
    if (!app.CurrentAdapter.Present) {
        ShowAdapterLost();
    }
    ShowReadWords();
}

void frmUSBdebug_cmdLoop_Click() {
    auto& app = App();
    auto& loop = Form().cmdLoop;
    if (loop.caption == "Loop") {
        loop.caption = "Stop";
        app.StopRequested = false;
        frmUSBdebug_cmdWriteSpi_Click();
        while (!app.StopRequested) {
            SpiTransfer(app.SpiWordCount);
            if (!app.CurrentAdapter.Present) {
                app.StopRequested = true;
                ShowAdapterLost();
                loop.caption = "Loop";
            }
            ShowReadWords();
            Ui().DoEvents();
        }
    } else {
        app.StopRequested = true;
    }
    loop.caption = "Loop";
}

void frmUSBdebug_cmdExit_Click() {
    // A loop left running behind a hidden console could not be stopped any more.
    if (Form().cmdLoop.caption == "Stop") {
        App().StopRequested = true;
    }
    Form().form.visible = false;
    Ui().Hide(FormId::frmUSBdebug);
}

void frmUSBdebug_Form_QueryUnload(int16_t& Cancel, int16_t UnloadMode) {
    if (UnloadMode == 0) {
        Cancel = 1;
        frmUSBdebug_cmdExit_Click();
    }
}
