// Choosing the parallel port and its address: the "Parallel Port Setup" dialog, the
// interface menu item and the "Port" label's pop-up.
#pragma once

#include <cstdint>

void frmPort_Form_Load();
void frmPort_Form_Activate();
void frmPort_cmdOK_Click();
// Also what the window's close box does.
void frmPort_cmdCancel_Click();

void mnuPort_Click();
void lblPort_MouseDown(int16_t Button, int16_t Shift, float X, float Y);
// The pop-up's addresses: each chooses its port as the dialog's OK would.
void mnuPort378_Click();
void mnuPort278_Click();
void mnuPort3BC_Click();
