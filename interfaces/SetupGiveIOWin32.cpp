#include "interfaces/SetupGiveIO.h"

#include <windows.h>

void giveio() {
    // The library stays loaded: the access it opens lasts as long as the process.
    if (HMODULE library = LoadLibraryA("giveio.dll")) {
        using OpenAccess = void(WINAPI*)();
        if (auto open = reinterpret_cast<OpenAccess>(GetProcAddress(library, "giveio"))) {
            open();
        }
    }
}
