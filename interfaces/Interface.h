// Which interface reaches the board, and where the parallel port is.
#pragma once

#include <cstdint>
#include <string>

struct InterfaceState {
    int16_t InterfaceCode = 0;     // 0 none, 1 parallel port, 2 USB adapter
    int16_t PortAddress = 0;       // base I/O address of the parallel port
    bool DriverModuleFlag = false; // the port-access sequence has run (and the port is open)
    std::string OsName;            // the system's name, which decides how ports are reached
};
InterfaceState& Interface();

inline constexpr int16_t kNoInterface = 0;
inline constexpr int16_t kParallelInterface = 1;
inline constexpr int16_t kUsbInterface = 2;
