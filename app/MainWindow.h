// The main window's load, and the system facts it decides by.
#pragma once

#include <string>

#include "platform/SysInfo.h"

// The main window's load handler.
void MDIForm_Load();
std::string OsNameFor(const OsVersionInfo& info);
bool OsOffersUsb(const std::string& osName);
