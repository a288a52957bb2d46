// USB identifiers of the SPI adapter boards. A device is an adapter only when both its vendor
// and its product id say so: the vendor id is shared by many unrelated gadgets. These are the
// identifiers our adapter firmware reports (the vendor's test range); boards programmed with other
// identifiers need them changed here and in docs/60-quelto-spi-adapter.rules.
#pragma once

#include <cstdint>

inline constexpr uint16_t AdapterVendorId = 0x1209;
inline constexpr uint16_t Fifo4ProductId = 0x0001;
inline constexpr uint16_t McpProductId = 0x0002;

constexpr bool IsAdapter(uint16_t vendorId, uint16_t productId) {
    return vendorId == AdapterVendorId &&
           (productId == Fifo4ProductId || productId == McpProductId);
}
