// What the main window shows of the interface chosen, whichever dialog or menu chose it.
#pragma once

// No interface, as the main window shows it at load ("NONE"); the port is given back.
void ShowNoInterface();
// The board is reached another way now: what the status line said about the way before (a
// dropped adapter, a board that gave no answer) is settled; the next sweep says it again
// if it still holds.
void ClearReachStatus();
