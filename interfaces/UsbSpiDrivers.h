// Host side of the USB SPI adapter: the scan, each adapter's board information, the bulk
// transfer primitive and the four adapter transactions.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/EzUsbDriver.h"

// One USB adapter, as found by the scan.
struct AdapterRecord {
    std::string AdapterName;
    uint8_t Unit = 0;
    bool Present = false;
    std::string BoardType;
    std::string Descriptor1;
    std::string Descriptor2;
    float FirmwareRev = 0.0f;
    std::string UsbSpeed;
};

struct UsbState {
    std::array<AdapterRecord, 4> UsbAdapters;
    AdapterRecord CurrentAdapter; // Present while it is ready; any transfer error clears it
    int16_t CurrentAdapterIndex = -1;
    int16_t UsbAdapterCount = 0;
    uint8_t SpiChannel = 0;
    uint8_t SpiStaticBits = 0;
    uint8_t SpiWordCount = 0;
    std::array<int32_t, 17> SpiWriteWords{};
    std::array<int32_t, 17> SpiReadWords{};
    uint8_t SpiWordDelay = 0;
    bool SpiInputPolarity = false;
    // Why no adapter is ready, as the last failure or search found: a sentence naming it.
    std::string LostBecause;
};
UsbState& Usb();

using PipeInfoRecord = std::array<uint8_t, kPipeInfoSize>;

int32_t OpenUsbDevice(const AdapterRecord& record);
// Ignores a handle that is not open (a failed open included).
void CloseUsbDevice(int32_t handle);
// 1 when the pipe-information request succeeded, else 0.
int32_t GetPipeInfo(int32_t handle, PipeInfoRecord& record);
// The maximum packet size of pipe 0..16; 0 without a handle or when the request fails.
uint16_t GetPipeMaxPacketSize(int32_t handle, int16_t pipe);
// -2 without a handle; otherwise 1 when the last request moved all byteCount bytes, else 0.
// byteCount receives the bytes moved. A read goes to an endpoint towards the host, anything
// else is a write; loops asks for extra reads, each placed after the one before.
int32_t BulkTransfer(int32_t handle, int16_t pipe, std::span<uint8_t> buffer, int32_t& byteCount,
                     int32_t loops);
// The text of string descriptor index, or "None" without a handle or when a request fails.
std::string GetStringDescriptor(int32_t handle, uint8_t index);

void ScanUsbAdapters();
void GetBoardInfo(int32_t handle, AdapterRecord& record);
// Scans and makes the first ready adapter current.
void FindUsbAdapters();
// What the status line says once the adapter that was lost is no longer the interface; it
// stands until an interface is in use again.
inline constexpr std::string_view kAdapterDropped = "USB interface dropped: ";
std::string AdapterDroppedText();

// The transactions do nothing at all without a ready adapter.
void ReadSpiSetup();
void SetSpiWordDelay(uint8_t& delay);
// Sets the adapter's static output bits (self-test lines).
void SetSpiStaticBits(uint8_t& bits);
// count (1..16) words from SpiWriteWords[1..count]; the answers in SpiReadWords[1..count].
void SpiTransfer(uint8_t& count);
