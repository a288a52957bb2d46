// The adapter selection dialog "USB SPI Card Selection" and the main window's USB commands.
#pragma once

#include <cstdint>
#include <string>

#include "forms/Controls.h"

struct AdapterListControls;

void frmUSBselect_Form_Load();
// Each showing starts with a fresh search.
void frmUSBselect_Form_Activate();
void frmUSBselect_cmdFindEzUsb_Click();
void frmUSBselect_optUsbPort_Click(int16_t Index);
void frmUSBselect_cmdOK_Click();
// The close box (unload mode 0) leaves without a choice, as Esc does.
void frmUSBselect_Form_QueryUnload(int16_t& Cancel, int16_t UnloadMode);
// Shows the debug console; the dialog searches again when it comes back to the front.
void frmUSBselect_cmdDebugUsb_Click();

// Shows the selection; true when it was left with OK. Otherwise the adapter in use before
// is the current one again.
bool ChooseAdapterInDialog();
void mnuUSB_Click();
void mnuEzUsb0_Click();
void mnuEzUsb1_Click();
void mnuEzUsb2_Click();
void mnuEzUsb3_Click();
void lblInterface_MouseDown(int16_t Button, int16_t Shift, float X, float Y);

// Marks option index of a group as chosen and runs its action, even when it was chosen
// already: the adapter dialogs re-apply their choice on every search.
void ChooseOption(OptionButton* group, int count, int16_t index, void (*click)(int16_t));
// A speed text ("1.1", "2") with one decimal ("1.1", "2.0").
std::string SpeedText(const std::string& usbSpeed);

// The adapter rows of either dialog as the last search found them, less those lost since.
void ShowAdapterList(AdapterListControls& list);
// Searches, shows the rows and chooses the current adapter's option (running click), or
// "None".
void SearchAdapters(AdapterListControls& list, void (*click)(int16_t));
// The main window after the adapter choice: USB with the adapter's name, or no interface.
void ShowUsbChoice();
