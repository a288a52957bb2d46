#include "commands/UsbDebug.h"

#include "commands/UsbSelect.h"
#include "forms/Forms.h"
#include "forms/TimePlotForm.h"
#include "forms/UsbDebugForm.h"
#include "interfaces/UsbSpiDrivers.h"
#include "platform/AdapterCommands.h"
#include "platform/ConverterWords.h"
#include "platform/Delay.h"
#include "platform/Frontend.h"
#include "platform/TextFormat.h"
#include "sensors/Acquisition.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr int16_t kNone = 4;
constexpr int16_t kEnter = 13;
constexpr const char* kNoAdapter = "Please Select a Buffer first";

FrmUSBdebugForm& Form() { return frmUSBdebug(); }

bool AdapterReady() {
    if (Usb().CurrentAdapter.Present) {
        FinishDelayCalibration();
        return true;
    }
    Ui().MsgBox(kNoAdapter);
    return false;
}

void MarkNone() { ChooseOption(Form().optUsbPort.data(), 5, kNone, frmUSBdebug_optUsbPort_Click); }

// The shared columns, and the console's own: board type and second descriptor.
void ShowAdapterRows() {
    auto& f = Form();
    ShowAdapterList(f);
    for (size_t i = 0; i < 4; ++i) {
        const auto& record = Usb().UsbAdapters[i];
        f.txtUsbPort[i].text =
            record.Present ? record.BoardType + " - " + std::to_string(record.Unit) : "None";
        f.txtDescript1[i].text = record.Present ? record.Descriptor2 : "";
    }
}

// A failed transfer took the adapter away: its row goes at once, not at the next search.
void ShowAdapterLost() {
    ShowAdapterRows();
    MarkNone();
}

void ShowDelay() { Form().txtLoopDelay.text = std::to_string(Usb().SpiWordDelay); }

// Rounds (halves to even) into lo..hi; huge values are clamped first so they can't overflow.
int RoundInto(double value, int lo, int hi) {
    const double bounded = std::clamp(value, lo - 1.0, hi + 1.0);
    return static_cast<int>(std::clamp<int64_t>(RoundToEven(bounded), lo, hi));
}

void ShowReadWords() {
    for (int k = 1; k <= Usb().SpiWordCount && k <= adapter::kMaxWords; ++k) {
        Form().txtReadSpi[static_cast<size_t>(k)].text =
            HexText(static_cast<uint32_t>(Usb().SpiReadWords[static_cast<size_t>(k)]));
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
    return text.size() <= words::kWordBits / 4 && std::all_of(text.begin(), text.end(), [](char c) {
               return std::isxdigit(static_cast<unsigned char>(c)) != 0;
           });
}

bool WordCountBoxAccepts(std::string_view text) {
    // 255.5 would round to 256.
    return PlainNumber(text) && LeadingNumber(text) < 255.5;
}

bool DelayBoxAccepts(std::string_view text) { return PlainNumber(text); }

void frmUSBdebug_Form_Load() {
    const auto& plot = frmData().form;
    PlaceForm(FormId::frmUSBdebug, {plot.left, plot.top, 0, 0});
}

void frmUSBdebug_Form_Activate() {
    auto& f = Form();
    frmUSBdebug_cmdFindEzUsb_Click();
    if (Usb().SpiChannel >= 1 && Usb().SpiChannel <= 4) {
        ChooseOption(f.optSpiChan.data(), 5, Usb().SpiChannel, frmUSBdebug_optSpiChan_Click);
    }
    f.cmdPolarity.caption = Usb().SpiInputPolarity ? "Pos" : "Neg";
}

void frmUSBdebug_cmdFindEzUsb_Click() {
    SearchAdapters(Form(), frmUSBdebug_optUsbPort_Click);
    ShowAdapterRows();
}

void frmUSBdebug_optUsbPort_Click(int16_t Index) {
    auto& f = Form();
    if (Index >= 0 && Index < 4) {
        Usb().CurrentAdapter = Usb().UsbAdapters[static_cast<size_t>(Index)];
        f.frameSPIsetup.enabled = true;
        f.frameManual.enabled = true;
        SetSpiStaticBits(Usb().SpiStaticBits);
        SetSpiWordDelay(Usb().SpiWordDelay);
        frmUSBdebug_cmdReadDelay_Click();
        frmUSBdebug_cmdReadBits_Click();
    } else if (Index == kNone) {
        f.frameSPIsetup.enabled = false;
        f.frameManual.enabled = false;
        Usb().CurrentAdapter.Present = false;
        Form().loopStop = true;
    }
}

void frmUSBdebug_optSpiChan_Click(int16_t Index) {
    if (Index >= 1 && Index <= 4) {
        Usb().SpiChannel = static_cast<uint8_t>(Index);
    }
}

void frmUSBdebug_cmdReadDelay_Click() {
    if (AdapterReady()) {
        ReadSpiSetup();
        if (!Usb().CurrentAdapter.Present) {
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
        Usb().SpiInputPolarity = true;
    } else {
        f.cmdPolarity.caption = "Neg";
        Usb().SpiInputPolarity = false;
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
        if (Usb().SpiStaticBits & adapter::StaticChipSelectBit(b)) {
            f.chkStaticBits[static_cast<size_t>(b)].value = 1;
        }
    }
}

void frmUSBdebug_cmdSetSpiBits_Click() {
    if (!AdapterReady()) {
        MarkNone();
        Form().loopStop = true;
        return;
    }
    uint8_t bits = 0;
    for (int b = 2; b <= 5; ++b) {
        if (Form().chkStaticBits[static_cast<size_t>(b)].value != 0) {
            bits = static_cast<uint8_t>(bits + adapter::StaticChipSelectBit(b));
        }
    }
    SetSpiStaticBits(bits);
    if (!Usb().CurrentAdapter.Present) {
        ShowAdapterLost();
    }
}

CommandResult<std::vector<uint16_t>> frmUSBdebug_cmdWriteSpi_Click() {
    const ShownMessages shown;
    auto& f = Form();
    if (!AdapterReady()) {
        MarkNone();
        Form().loopStop = true;
        return shown.Refused<std::vector<uint16_t>>("No USB adapter is chosen.");
    }
    if (!f.txtNumWords.text.empty()) {
        Usb().SpiWordCount =
            static_cast<uint8_t>(RoundInto(LeadingNumber(f.txtNumWords.text), 0, 255));
    }
    Usb().SpiWordCount = std::clamp<uint8_t>(Usb().SpiWordCount, 1, adapter::kMaxWords);
    const int count = Usb().SpiWordCount;
    f.txtNumWords.text = std::to_string(count);
    for (int k = 1; k <= count; ++k) {
        auto& box = f.txtWriteSpi[static_cast<size_t>(k)];
        const int32_t word = box.text.empty() ? 0 : HexTextToWord(box.text);
        Usb().SpiWriteWords[static_cast<size_t>(k)] = word;
        box.text = HexText(static_cast<uint32_t>(word));
    }
    for (int k = count + 1; k <= adapter::kMaxWords; ++k) {
        f.txtWriteSpi[static_cast<size_t>(k)].text.clear();
    }
    for (int k = 1; k <= adapter::kMaxWords; ++k) {
        f.txtReadSpi[static_cast<size_t>(k)].text.clear();
    }
    SpiTransfer(Usb().SpiWordCount);
    if (!Usb().CurrentAdapter.Present) {
        ShowAdapterLost();
        if (shown.Any()) {
            return shown.Ended(false, std::vector<uint16_t>{});
        }
        return {Outcome::Failed, "The USB adapter was lost.", {}};
    }
    ShowReadWords();
    std::vector<uint16_t> read;
    for (int k = 1; k <= count; ++k) {
        read.push_back(static_cast<uint16_t>(Usb().SpiReadWords[static_cast<size_t>(k)]));
    }
    return shown.Ended(true, std::move(read));
}

void frmUSBdebug_cmdLoop_Click() {
    auto& loop = Form().cmdLoop;
    if (loop.caption == "Loop") {
        loop.caption = "Stop";
        Form().loopStop = false;
        frmUSBdebug_cmdWriteSpi_Click();
        while (!Form().loopStop) {
            SpiTransfer(Usb().SpiWordCount);
            if (!Usb().CurrentAdapter.Present) {
                Form().loopStop = true;
                ShowAdapterLost();
                loop.caption = "Loop";
            }
            ShowReadWords();
            Ui().DoEvents();
        }
    } else {
        Form().loopStop = true;
    }
    loop.caption = "Loop";
}

void frmUSBdebug_cmdExit_Click() {
    // A loop left running behind a hidden console could not be stopped any more.
    if (Form().cmdLoop.caption == "Stop") {
        Form().loopStop = true;
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
