// English text of a system error number, whatever the locale: the port messages are English.
#pragma once

#include <string>

std::string ErrnoText(int error);
