#include "interfaces/UsbSpiDrivers.h"

#include "app/Analyzer.h"

void FindUsbAdapters() {
    auto& app = App();
    app.UsbAdapters = {};
    app.UsbAdapterCount = 0;
    app.CurrentAdapter = {};
    app.CurrentAdapterIndex = -1;
}

void SetSpiStaticBits(uint8_t&) {}
