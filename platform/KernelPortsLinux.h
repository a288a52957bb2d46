// What the Linux kernel says about I/O ports: the parallel ports it drives, and what it lists
// at an address in /proc/ioports. procRoot is "/proc", or a folder laid out like it (tests).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// N of the parportN whose base address (<procRoot>/sys/dev/parport/parportN/base-addr) is base.
std::optional<int> FindParport(const std::string& procRoot, uint16_t base);

// base is a parallel port the kernel knows: a parportN with that base address, or a
// "parport" entry of <procRoot>/ioports starting there.
bool KernelKnowsParallelPort(const std::string& procRoot, uint16_t base);

// The names <procRoot>/ioports gives to the ranges that overlap base..base+count-1, outermost
// first ("keyboard", "PCI conf1"); empty when nothing is listed there.
std::vector<std::string> IoPortOwners(const std::string& procRoot, uint16_t base, unsigned count);
