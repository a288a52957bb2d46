#include "sensors/m305.h"

#include <algorithm>
#include <cctype>

void SetMuxChannel(std::string& ChanName, double /*SelfTest*/) {
    std::transform(ChanName.begin(), ChanName.end(), ChanName.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
}
