// The main window's "&Print" and "&Help" commands.
#pragma once

#include <string>
#include <vector>

// Prints the visible plot windows on a printer the user chooses; says "Error Printing" when
// that fails or is cancelled.
void mnuPrint_Click();
// Opens the help on its contents page.
void mnuHelp_Click();

// Where the help's contents page is looked for, in order: installed beside the program, then
// in the source tree for a program run from its build folder.
std::vector<std::string> HelpLocations();
