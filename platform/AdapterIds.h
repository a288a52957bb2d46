// USB identifiers of the SPI adapter boards. The scan takes every device with the vendor id
// as a candidate and recognises the boards by their product id. These are the identifiers
// our adapter firmware reports (the vendor's test range); boards programmed with other
// identifiers need them changed here and in docs/60-quelto-spi-adapter.rules.
#pragma once

#include <cstdint>

inline constexpr uint16_t AdapterVendorId = 0x1209;
inline constexpr uint16_t Fifo4ProductId = 0x0001;
inline constexpr uint16_t McpProductId = 0x0002;
