// SPI transfers through the adapter driver layer to the simulated adapter, and the cost of
// the open / transfer / close cycle every transaction makes.
//
//   cmake --preset bench && cmake --build --preset bench && build/bench/bench/bench_usb
#include "app/Analyzer.h"
#include "interfaces/UsbSpiDrivers.h"
#include "simulator/SimUsbAdapter.h"

#include <benchmark/benchmark.h>

namespace {

struct SimulatedAdapter {
    SimulatedAdapter() {
        sensor.SetModel("KXS306");
        // The host side's own cost, without the bus time the simulated adapter adds.
        driver.SetTransactionTime(0);
        driver.Plug(0);
        InstallEzUsbDriver(&driver);
        ResetAppState();
        FindUsbAdapters();
    }
    ~SimulatedAdapter() { InstallEzUsbDriver(nullptr); }
    SimSensor sensor;
    SimEzUsbDriver driver{sensor};
};

// One gyroscope read as acquisition does it: five words out, five back.
void BM_SpiTransferFiveWords(benchmark::State& state) {
    SimulatedAdapter sim;
    auto& app = App();
    const int words[] = {0x8310, 0x8710, 0x8B10, 0x8F10, 0x8310};
    for (int k = 0; k < 5; ++k) {
        app.SpiWriteWords[static_cast<size_t>(k + 1)] = words[k];
    }
    app.SpiChannel = 1;
    for (auto _ : state) {
        uint8_t count = 5;
        SpiTransfer(count);
        benchmark::DoNotOptimize(app.SpiReadWords[2]);
    }
    if (!app.CurrentAdapter.Present) {
        state.SkipWithError("adapter not ready");
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SpiTransferFiveWords);

// The driver layer alone: open, command write, reply read, close.
void BM_OpenTransferClose(benchmark::State& state) {
    SimulatedAdapter sim;
    EzUsbDriver& driver = InstalledEzUsbDriver();
    const uint8_t pipe0[4] = {0, 0, 0, 0};
    const uint8_t pipe1[4] = {1, 0, 0, 0};
    uint8_t command[5] = {0x0D, 1, 1, 0x83, 0x10};
    uint8_t reply[2] = {};
    for (auto _ : state) {
        uint32_t returned = 0;
        const int32_t handle = driver.Open("Ezusb-0");
        driver.IoControl(handle, IoctlBulkWrite, pipe0, command, returned);
        driver.IoControl(handle, IoctlBulkRead, pipe1, reply, returned);
        driver.Close(handle);
        benchmark::DoNotOptimize(reply);
    }
}
BENCHMARK(BM_OpenTransferClose);

} // namespace

BENCHMARK_MAIN();
