// Host side of the USB SPI adapter.
#pragma once

// Scans the adapters and makes the first ready one current.
void FindUsbAdapters();
