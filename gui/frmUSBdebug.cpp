#include "gui/frmUSBdebug.h"

#include "commands/UsbDebug.h"
#include "forms/UsbDebugForm.h"
#include "gui/QtControls.h"
#include "platform/Frontend.h"

#include <QGroupBox>
#include <QLineEdit>

namespace {

using F = FrmUSBdebugForm;

F& Model() { return frmUSBdebug(); }

constexpr int kRowTop[5] = {480, 840, 1200, 1560, 1920};
constexpr int kWordLeft[8] = {1320, 1920, 2520, 3120, 3720, 4320, 4920, 5520};
constexpr int kRowHeight = 285;
constexpr int kButtonHeight = 375;

// C is the form or the adapter list it shares with the selection dialog.
template <class T, class C> auto Member(T C::*member) {
    return [member]() -> T& { return Model().*member; };
}

template <class T, size_t N> auto Element(std::array<T, N> F::*array, size_t index) {
    return [array, index]() -> T& { return (Model().*array)[index]; };
}

} // namespace

FrmUSBdebugView::FrmUSBdebugView() : QtUsbDialog(frmUSBdebug_Form_QueryUnload) {
    SetDialogSize(9600, 5400);

    auto* buffers =
        AddFrame(this, "frameBufferSetup", Member(&F::frameBufferSetup), {120, 120, 6360, 2400});
    AddLabel(buffers, "lblDevice", Member(&F::lblDevice), {1200, 240, 975, 240});
    AddLabel(buffers, "lblDescriptor0", Member(&F::lblDescriptor0), {2280, 240, 855, 240});
    AddLabel(buffers, "lblDescriptor1", Member(&F::lblDescriptor1), {3240, 240, 1575, 240});
    AddLabel(buffers, "lblRev", Member(&F::lblRev), {4920, 240, 495, 240});
    AddLabel(buffers, "lblSpeed", Member(&F::lblSpeed), {5520, 240, 615, 240});
    for (int n = 0; n < 5; ++n) {
        AddOption(buffers, QStringLiteral("optUsbPort%1").arg(n), Member(&F::optUsbPort), n,
                  frmUSBdebug_optUsbPort_Click, {240, kRowTop[n], 975, kRowHeight});
        if (n == 4) {
            break;
        }
        const auto i = static_cast<size_t>(n);
        using Column = std::array<TextBox, 4> F::*;
        for (auto [name, column, left, width] :
             {std::tuple<const char*, Column, int, int>{"txtUsbPort", &F::txtUsbPort, 1200, 975},
              {"txtDescript0", &F::txtDescript0, 2280, 855},
              {"txtDescript1", &F::txtDescript1, 3240, 1575},
              {"txtDriverRev", &F::txtDriverRev, 4920, 495},
              {"txtSpeed", &F::txtSpeed, 5520, 615}}) {
            ShowReadOnly(AddTextBox(buffers, QStringLiteral("%1%2").arg(name).arg(n),
                                    Element(column, i), {left, kRowTop[n], width, kRowHeight}));
        }
    }
    AddButton(buffers, "cmdFindEzUsb", Member(&F::cmdFindEzUsb), frmUSBdebug_cmdFindEzUsb_Click,
              {2640, 1920, 1095, kButtonHeight});

    auto* setup =
        AddFrame(this, "frameSPIsetup", Member(&F::frameSPIsetup), {6600, 120, 2880, 4560});
    auto* channels =
        AddFrame(setup, "frameSpiChan", Member(&F::frameSpiChan), {120, 240, 2640, 960});
    constexpr int kChanPlace[5][2] = {{0, 0}, {240, 340}, {240, 600}, {1200, 340}, {1200, 600}};
    for (int c = 1; c <= 4; ++c) {
        AddOption(channels, QStringLiteral("optSpiChan%1").arg(c), Member(&F::optSpiChan), c,
                  frmUSBdebug_optSpiChan_Click, {kChanPlace[c][0], kChanPlace[c][1], 960, 255});
    }
    AddLabel(setup, "lblDelay", Member(&F::lblDelay), {120, 1320, 2640, 240});
    auto* delay = AddTextBox(setup, "txtLoopDelay", Member(&F::txtLoopDelay),
                             {120, 1600, 735, kRowHeight}, DelayBoxAccepts);
    connect(delay, &QLineEdit::returnPressed, this, [] {
        frmUSBdebug_txtLoopDelay_KeyDown(13, 0);
        Ui().Refresh();
    });
    AddButton(setup, "cmdReadDelay", Member(&F::cmdReadDelay), frmUSBdebug_cmdReadDelay_Click,
              {960, 1560, 855, kButtonHeight});
    AddLabel(setup, "lblPolarity", Member(&F::lblPolarity), {120, 2040, 2640, 240});
    AddButton(setup, "cmdPolarity", Member(&F::cmdPolarity), frmUSBdebug_cmdPolarity_Click,
              {120, 2300, 855, kButtonHeight});
    auto* statics =
        AddFrame(setup, "frameSpiStatic", Member(&F::frameSpiStatic), {120, 2760, 2640, 1620});
    constexpr int kBitPlace[6][2] = {{0, 0},     {0, 0},      {480, 360},
                                     {480, 720}, {1320, 360}, {1320, 720}};
    for (size_t b = 2; b <= 5; ++b) {
        AddCheckBox(statics, QStringLiteral("chkStaticBits%1").arg(b),
                    Element(&F::chkStaticBits, b), {kBitPlace[b][0], kBitPlace[b][1], 780, 255});
    }
    AddButton(statics, "cmdSetSpiBits", Member(&F::cmdSetSpiBits), frmUSBdebug_cmdSetSpiBits_Click,
              {240, 1080, 1095, kButtonHeight});
    AddButton(statics, "cmdReadBits", Member(&F::cmdReadBits), frmUSBdebug_cmdReadBits_Click,
              {1440, 1080, 1095, kButtonHeight});

    auto* manual = AddFrame(this, "frameManual", Member(&F::frameManual), {120, 2640, 6360, 2400});
    AddLabel(manual, "lblWrite", Member(&F::lblWrite), {360, 360, 960, 240});
    AddLabel(manual, "lblReadback", Member(&F::lblReadback), {360, 1095, 960, 240});
    for (size_t k = 1; k <= 16; ++k) {
        const int left = kWordLeft[(k - 1) % 8];
        const int second = k > 8 ? 1 : 0;
        AddTextBox(manual, QStringLiteral("txtWriteSpi%1").arg(k), Element(&F::txtWriteSpi, k),
                   {left, 360 + 315 * second, 615, kRowHeight}, WordBoxAccepts);
        AddTextBox(manual, QStringLiteral("txtReadSpi%1").arg(k), Element(&F::txtReadSpi, k),
                   {left, 1080 + 315 * second, 615, kRowHeight})
            ->setReadOnly(true);
    }
    AddLabel(manual, "lblNumWords", Member(&F::lblNumWords), {1560, 1950, 1740, 240});
    AddTextBox(manual, "txtNumWords", Member(&F::txtNumWords), {3360, 1920, 735, kRowHeight},
               WordCountBoxAccepts);
    AddButton(manual, "cmdWriteSpi", Member(&F::cmdWriteSpi),
              [] { frmUSBdebug_cmdWriteSpi_Click(); }, {4320, 1920, 975, kButtonHeight});
    AddButton(manual, "cmdLoop", Member(&F::cmdLoop), frmUSBdebug_cmdLoop_Click,
              {5400, 1920, 855, kButtonHeight});

    AddButton(this, "cmdExit", Member(&F::cmdExit), frmUSBdebug_cmdExit_Click,
              {7560, 4800, 1095, kButtonHeight});
    SyncFromModel();
    FitToCaptions();
}
