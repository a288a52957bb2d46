#include "gui/frmUSBselect.h"

#include "commands/UsbSelect.h"
#include "forms/UsbSelectForm.h"
#include "gui/QtControls.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

FrmUSBselectForm& Model() { return frmUSBselect(); }

constexpr int kRowTop[5] = {480, 840, 1200, 1560, 1920};
constexpr int kRowHeight = 285;

} // namespace

FrmUSBselectView::FrmUSBselectView() : QtUsbDialog(frmUSBselect_Form_QueryUnload) {
    using F = FrmUSBselectForm;
    SetDialogSize(5160, 2640);
    auto* list = AddFrame(this, "frameAdaptors", []() -> Frame& { return Model().frameAdaptors; },
                          {120, 120, 3600, 2400});
    AddLabel(list, "lblDevice", []() -> Label& { return Model().lblDevice; },
             {1200, 240, 855, 240});
    AddLabel(list, "lblRev", []() -> Label& { return Model().lblRev; }, {2160, 240, 495, 240});
    AddLabel(list, "lblSpeed", []() -> Label& { return Model().lblSpeed; }, {2760, 240, 615, 240});
    for (int n = 0; n < 5; ++n) {
        AddOption(list, QStringLiteral("optUsbPort%1").arg(n),
                  []() -> std::array<OptionButton, 5>& { return Model().optUsbPort; }, n,
                  frmUSBselect_optUsbPort_Click, {240, kRowTop[n], 975, kRowHeight});
        if (n == 4) {
            break;
        }
        const auto i = static_cast<size_t>(n);
        auto text = [](std::array<TextBox, 4> F::*column, size_t row) {
            return [column, row]() -> TextBox& { return (Model().*column)[row]; };
        };
        for (auto [name, column, left, width] :
             {std::tuple{"txtDescript0", &F::txtDescript0, 1200, 855},
              std::tuple{"txtDriverRev", &F::txtDriverRev, 2160, 495},
              std::tuple{"txtSpeed", &F::txtSpeed, 2760, 615}}) {
            ShowReadOnly(AddTextBox(list, QStringLiteral("%1%2").arg(name).arg(n), text(column, i),
                                    {left, kRowTop[n], width, kRowHeight}));
        }
    }
    AddButton(list, "cmdFindEzUsb", []() -> Button& { return Model().cmdFindEzUsb; },
              frmUSBselect_cmdFindEzUsb_Click, {1920, 1980, 1095, 375});
    // Enter chooses, as OK does.
    auto* ok = AddButton(this, "cmdOK", []() -> Button& { return Model().cmdOK; },
                         frmUSBselect_cmdOK_Click, {3840, 1440, 1095, 375});
    ok->setDefault(true);
    AddButton(this, "cmdDebugUsb", []() -> Button& { return Model().cmdDebugUsb; },
              frmUSBselect_cmdDebugUsb_Click, {3840, 600, 1095, 375});
    SyncFromModel();
    FitToCaptions();
}

// The choice is what the dialog is for: the focus starts on the adapter chosen (or "None").
void FrmUSBselectView::showEvent(QShowEvent* event) {
    QtUsbDialog::showEvent(event);
    for (auto* option : findChildren<QRadioButton*>()) {
        if (option->isChecked()) {
            option->setFocus();
        }
    }
}
