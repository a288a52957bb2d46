// The adapter driver: device names "Ezusb-0".."Ezusb-3", each opened to a handle that takes
// descriptor queries and bulk transfers as device I/O control requests. Backends: libusb,
// the simulated adapters, and a scripted one in the tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// Control codes: device type << 16 | access << 14 | function << 2 | method.
constexpr uint32_t ControlCode(uint32_t deviceType, uint32_t function, uint32_t method,
                               uint32_t access) {
    return deviceType << 16 | access << 14 | function << 2 | method;
}

inline constexpr uint32_t kUnknownDevice = 0x0022;
inline constexpr uint32_t kMethodBuffered = 0;
inline constexpr uint32_t kMethodInDirect = 1;
inline constexpr uint32_t kMethodOutDirect = 2;

// In and out: the pipe-information record.
inline constexpr uint32_t IoctlGetPipeInfo = ControlCode(kUnknownDevice, 0x800, kMethodBuffered, 0);
// In and out: the device-descriptor buffer; the standard device descriptor at offset 0.
inline constexpr uint32_t IoctlGetDeviceDescriptor =
    ControlCode(kUnknownDevice, 0x801, kMethodBuffered, 0);
// In: the string request; out: the string descriptor (bLength, type, UTF-16LE text).
inline constexpr uint32_t IoctlGetStringDescriptor =
    ControlCode(kUnknownDevice, 0x811, kMethodBuffered, 0);
// In: the pipe number (32-bit little-endian); out: the bytes received.
inline constexpr uint32_t IoctlBulkRead = ControlCode(kUnknownDevice, 0x813, kMethodOutDirect, 0);
// In: the pipe number; out: the bytes to send (the driver reads them).
inline constexpr uint32_t IoctlBulkWrite = ControlCode(kUnknownDevice, 0x814, kMethodInDirect, 0);

static_assert(IoctlGetPipeInfo == 0x00222000 && IoctlGetDeviceDescriptor == 0x00222004 &&
              IoctlGetStringDescriptor == 0x00222044 && IoctlBulkRead == 0x0022204E &&
              IoctlBulkWrite == 0x00222051);

// Pipe-information record: a header, then one entry per pipe.
inline constexpr size_t kPipeInfoSize = 356;
inline constexpr size_t kPipeInfoHeaderSize = 16;
inline constexpr size_t kPipeEntrySize = 20;
inline constexpr int kPipeCount = 17;
// Within an entry: maximum packet size (16-bit little-endian) and endpoint address.
inline constexpr size_t kPipeMaxPacketOffset = 0;
inline constexpr size_t kPipeEndpointOffset = 2;
inline constexpr size_t kPipeAttributesOffset = 3;
static_assert(kPipeInfoHeaderSize + kPipeCount * kPipeEntrySize == kPipeInfoSize);
// Header: the interface number, its alternate setting and the number of pipes.
inline constexpr size_t kPipeInfoInterfaceOffset = 0;
inline constexpr size_t kPipeInfoAlternateOffset = 1;
inline constexpr size_t kPipeInfoPipeCountOffset = 4;

inline constexpr size_t kDeviceDescriptorBufferSize = 147;
inline constexpr size_t kDeviceDescriptorLength = 18;
inline constexpr size_t kVendorIdOffset = 8;
inline constexpr size_t kProductIdOffset = 10;

// String request: descriptor index, three zero bytes, then this tag.
inline constexpr size_t kStringRequestSize = 5;
inline constexpr uint8_t kStringRequestTag = 0x1B;

// What opening a name without a device gives.
inline constexpr int32_t kNoDeviceHandle = -1;

// Why a request failed, as far as the backend can tell.
enum class EzUsbFault {
    Failed,   // any other failure
    TimedOut, // no answer within the driver's time-out
    Stalled,  // the endpoint refused the transfer
    NoDevice, // the adapter went away (unplugged, or lost its power)
};

class EzUsbDriver {
public:
    virtual ~EzUsbDriver() = default;
    // A handle of 1 or more, or a value below 1 when there is no such device.
    virtual int32_t Open(const std::string& deviceName) = 0;
    // A value that is not an open handle is ignored.
    virtual void Close(int32_t handle) = 0;
    // One synchronous request; true when the driver reports success. bytesReturned gets the
    // bytes placed in output (or, for a bulk write, the bytes sent from it).
    virtual bool IoControl(int32_t handle, uint32_t code, std::span<const uint8_t> input,
                           std::span<uint8_t> output, uint32_t& bytesReturned) = 0;
    // Why the last request that failed did, as the system's last error would say.
    virtual EzUsbFault LastFault() const { return EzUsbFault::Failed; }
};

// The driver used from now on; the caller keeps ownership. nullptr leaves no adapter driver,
// so every open finds no device.
void InstallEzUsbDriver(EzUsbDriver* driver);
EzUsbDriver& InstalledEzUsbDriver();

// One pipe of the pipe-information record.
struct PipeDescription {
    uint8_t endpointAddress; // bit 7 set: towards the host
    uint8_t attributes;      // transfer type, 2 = bulk
    uint16_t maxPacketSize;
};
// Fills a pipe-information record (at least kPipeInfoSize bytes) for interface 0, alternate
// setting 0; pipes beyond the 17 of the record are left out.
void FillPipeInfo(std::span<uint8_t> record, std::span<const PipeDescription> pipes);

// A request as every backend reads it: what it asks for, and where.
struct EzUsbRequest {
    enum class Kind { PipeInfo, DeviceDescriptor, StringDescriptor, BulkRead, BulkWrite, Invalid };
    Kind kind = Kind::Invalid;
    uint8_t stringIndex = 0; // of a string request
    size_t pipe = 0;         // of a bulk request: a pipe of the device, pointing the request's way
};
// Invalid for an unknown code, malformed input, an output too small for the record, or a
// bulk request naming a pipe the device lacks or one that points the other way.
EzUsbRequest DecodeEzUsbRequest(uint32_t code, std::span<const uint8_t> input, size_t outputSize,
                                std::span<const PipeDescription> pipes);

// The number in "Ezusb-N" (0..3), or -1 for any other name.
int EzUsbDeviceNumber(const std::string& deviceName);
// The pipe number carried by a bulk request's input, or -1 when it is not 4 bytes.
int32_t BulkRequestPipe(std::span<const uint8_t> input);
