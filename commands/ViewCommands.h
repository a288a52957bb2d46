// The main window's view commands.
#pragma once

void mnuScaleFull_Click();
