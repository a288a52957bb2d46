// The debug console "USB SPI Card Setup": choose an adapter, read and set its word delay and
// static bits, and send words by hand, once or in a loop.
#pragma once

#include "commands/CommandResult.h"

#include <cstdint>
#include <string_view>
#include <vector>

void frmUSBdebug_Form_Load();
// Each activation searches again and re-applies the bits and delay to the chosen adapter.
void frmUSBdebug_Form_Activate();
void frmUSBdebug_cmdFindEzUsb_Click();
void frmUSBdebug_optUsbPort_Click(int16_t Index);
void frmUSBdebug_optSpiChan_Click(int16_t Index);
void frmUSBdebug_cmdReadDelay_Click();
// Acts on Enter (key code 13) only.
void frmUSBdebug_txtLoopDelay_KeyDown(int16_t KeyCode, int16_t Shift);
void frmUSBdebug_cmdPolarity_Click();
void frmUSBdebug_cmdReadBits_Click();
void frmUSBdebug_cmdSetSpiBits_Click();
// The words read back while the words in the boxes were sent.
CommandResult<std::vector<uint16_t>> frmUSBdebug_cmdWriteSpi_Click();
// "Loop" sends the words until "Stop" (the same button), letting the user interface run
// between transfers.
void frmUSBdebug_cmdLoop_Click();
void frmUSBdebug_cmdExit_Click();
// The close box (unload mode 0) acts as OK.
void frmUSBdebug_Form_QueryUnload(int16_t& Cancel, int16_t UnloadMode);

// What the boxes let the user type: a word box holds up to four hexadecimal digits; the word
// count and delay boxes a plain decimal number, the count one that rounds into 0..255.
bool WordBoxAccepts(std::string_view text);
bool WordCountBoxAccepts(std::string_view text);
bool DelayBoxAccepts(std::string_view text);
