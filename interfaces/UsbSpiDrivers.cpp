#include "interfaces/UsbSpiDrivers.h"

#include "platform/AdapterCommands.h"
#include "platform/AdapterIds.h"
#include "platform/Frontend.h"

#include <algorithm>
#include <vector>

namespace {

using namespace adapter;

bool Request(int32_t handle, uint32_t code, std::span<const uint8_t> input,
             std::span<uint8_t> output, uint32_t& returned) {
    returned = 0;
    const bool ok = InstalledEzUsbDriver().IoControl(handle, code, input, output, returned);
    // A driver can't report more than it was given room for.
    returned = std::min<uint32_t>(returned, static_cast<uint32_t>(output.size()));
    return ok;
}

uint16_t Le16(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] | bytes[1] << 8); }

// The low byte of a UTF-16 code unit, as that character.
void AppendCharacter(std::string& text, uint8_t code) {
    if (code < 0x80) {
        text.push_back(static_cast<char>(code));
    } else {
        text.push_back(static_cast<char>(0xC0 | code >> 6));
        text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

std::string AdapterName(int n) { return "Ezusb-" + std::to_string(n); }

// Tried again when a time-out or a stall spoils the board information: the adapter may
// still be catching up with an earlier fault.
constexpr int kBoardInfoAttempts = 3;

// Why the request on handle failed; a handle that did not open means the adapter is not
// there.
EzUsbFault FaultOf(int32_t handle) {
    return handle < 1 ? EzUsbFault::NoDevice : InstalledEzUsbDriver().LastFault();
}

// The fault in a sentence naming the adapter.
std::string FaultSentence(EzUsbFault fault, const std::string& name) {
    switch (fault) {
    case EzUsbFault::TimedOut:
        return name + " did not answer in time (time-out).";
    case EzUsbFault::Stalled:
        return name + " refused the transfer (stalled endpoint).";
    case EzUsbFault::NoDevice:
        return name + " is gone: it was unplugged or lost its power.";
    case EzUsbFault::Failed:
        break;
    }
    return "The transfer to " + name + " failed.";
}

// A transfer to the adapter in use failed: said with its cause and what to do. The adapter
// is not ready, and its row in the adapter lists is gone until a search finds it again.
void AdapterFailed(const char* message, int32_t handle) {
    auto& usb = Usb();
    const EzUsbFault fault = FaultOf(handle);
    usb.LostBecause = FaultSentence(fault, usb.CurrentAdapter.AdapterName);
    Ui().MsgBox(std::string(message) + "\n\n" + usb.LostBecause +
                (fault == EzUsbFault::NoDevice
                     ? " Plug it in again, then choose USB in the Interface menu."
                     : " Check its cable and the board, then choose USB in the Interface menu "
                       "to use it again."));
    usb.CurrentAdapter.Present = false;
    const int n = EzUsbDeviceNumber(usb.CurrentAdapter.AdapterName);
    if (n >= 0 && usb.UsbAdapters[static_cast<size_t>(n)].Present) {
        usb.UsbAdapters[static_cast<size_t>(n)].Present = false;
        --usb.UsbAdapterCount;
    }
}

void FailTransaction(const char* message, int32_t handle) {
    AdapterFailed(message, handle);
    CloseUsbDevice(handle);
}

// One setting command, which the firmware does not answer.
void SendSetting(uint8_t command, uint8_t value, const char* failure) {
    const int32_t handle = OpenUsbDevice(Usb().CurrentAdapter);
    std::array<uint8_t, 2> buffer{command, value};
    int32_t count = 2;
    if (BulkTransfer(handle, kCommandPipe, buffer, count, 0) != 1) {
        AdapterFailed(failure, handle);
    }
    CloseUsbDevice(handle);
}

// The descriptors, the firmware revision and the speed; false at the first request that
// fails.
bool ReadBoardInfo(int32_t handle, AdapterRecord& record) {
    record.Descriptor1 = GetStringDescriptor(handle, 1);
    if (record.Descriptor1 == "None") {
        return false;
    }
    record.Descriptor2 = GetStringDescriptor(handle, 2);
    if (record.Descriptor2 == "None") {
        return false;
    }
    std::array<uint8_t, 3> buffer{kRevision, 0, 0};
    int32_t count = 1;
    if (BulkTransfer(handle, kCommandPipe, buffer, count, 0) != 1) {
        return false;
    }
    count = 2;
    if (BulkTransfer(handle, kReplyPipe, buffer, count, 0) != 1) {
        return false;
    }
    record.FirmwareRev = static_cast<float>(buffer[0]) + static_cast<float>(buffer[1]) / 10.0f;
    const uint16_t packet = GetPipeMaxPacketSize(handle, kSpeedPipe);
    if (packet == 0) {
        return false;
    }
    record.UsbSpeed = packet <= 64 ? "1.1" : "2";
    return true;
}

} // namespace

int32_t OpenUsbDevice(const AdapterRecord& record) {
    return InstalledEzUsbDriver().Open(record.AdapterName);
}

void CloseUsbDevice(int32_t handle) { InstalledEzUsbDriver().Close(handle); }

int32_t GetPipeInfo(int32_t handle, PipeInfoRecord& record) {
    const PipeInfoRecord input = record;
    uint32_t returned = 0;
    const bool ok = Request(handle, IoctlGetPipeInfo, input, record, returned);
    // Only what the driver returned counts.
    std::fill(record.begin() + returned, record.end(), 0);
    return ok ? 1 : 0;
}

uint16_t GetPipeMaxPacketSize(int32_t handle, int16_t pipe) {
    if (handle == 0 || pipe < 0 || pipe >= kPipeCount) {
        return 0;
    }
    PipeInfoRecord record{};
    if (GetPipeInfo(handle, record) != 1) {
        return 0;
    }
    return Le16(&record[kPipeInfoHeaderSize + kPipeEntrySize * pipe + kPipeMaxPacketOffset]);
}

int32_t BulkTransfer(int32_t handle, int16_t pipe, std::span<uint8_t> buffer, int32_t& byteCount,
                     int32_t loops) {
    if (handle == 0) {
        return -2;
    }
    if (pipe < 0 || pipe >= kPipeCount) {
        return 0;
    }
    PipeInfoRecord record{};
    GetPipeInfo(handle, record);
    const uint8_t endpoint =
        record[kPipeInfoHeaderSize + kPipeEntrySize * pipe + kPipeEndpointOffset];
    const std::array<uint8_t, 4> input{static_cast<uint8_t>(pipe), 0, 0, 0};
    uint32_t returned = 0;

    if (endpoint > 0x80) {
        size_t offset = 0;
        int32_t result = 0;
        for (int32_t i = 0; i <= loops; ++i) {
            // Never past the caller's buffer, whatever the count says.
            if (byteCount < 0 || offset + static_cast<size_t>(byteCount) > buffer.size()) {
                return 0;
            }
            const auto wanted = static_cast<uint32_t>(byteCount);
            const bool ok =
                Request(handle, IoctlBulkRead, input, buffer.subspan(offset, wanted), returned);
            byteCount = static_cast<int32_t>(returned);
            // A short read leaves stale bytes in the buffer: it is no answer.
            result = ok && returned == wanted ? 1 : 0;
            offset += returned;
        }
        return result;
    }

    if (byteCount < 0 || static_cast<size_t>(byteCount) > buffer.size()) {
        return 0;
    }
    const auto wanted = static_cast<uint32_t>(byteCount);
    const bool ok = Request(handle, IoctlBulkWrite, input, buffer.first(wanted), returned);
    byteCount = static_cast<int32_t>(returned);
    return ok && returned == wanted ? 1 : 0;
}

std::string GetStringDescriptor(int32_t handle, uint8_t index) {
    if (handle == 0) {
        return "None";
    }
    const std::array<uint8_t, kStringRequestSize> request{index, 0, 0, 0, kStringRequestTag};
    std::array<uint8_t, 4> head{};
    uint32_t returned = 0;
    if (!Request(handle, IoctlGetStringDescriptor, request, head, returned)) {
        return "None";
    }
    const uint8_t bLength = returned >= 1 ? head[0] : 0;
    std::vector<uint8_t> buffer(bLength + 1u, 0);
    if (!Request(handle, IoctlGetStringDescriptor, request,
                 std::span<uint8_t>(buffer).first(bLength), returned)) {
        return "None";
    }
    // A device claiming more than it sent gets only what it sent.
    const size_t received = std::min<size_t>(returned, bLength);
    std::string text;
    for (size_t i = 2; i + 1 <= received; i += 2) {
        AppendCharacter(text, buffer[i]);
    }
    return text;
}

void GetBoardInfo(int32_t handle, AdapterRecord& record) {
    if (!record.Present || handle == 0) {
        return;
    }
    for (int attempt = 1; !ReadBoardInfo(handle, record); ++attempt) {
        const EzUsbFault fault = FaultOf(handle);
        if (attempt == kBoardInfoAttempts ||
            (fault != EzUsbFault::TimedOut && fault != EzUsbFault::Stalled)) {
            Ui().MsgBox("Error getting Board Info\n\n" + FaultSentence(fault, record.AdapterName) +
                        " Check the adapter, then search again.");
            record.Present = false;
            return;
        }
    }
}

void ScanUsbAdapters() {
    Usb().UsbAdapterCount = 0;
    for (auto& record : Usb().UsbAdapters) {
        record.AdapterName.clear();
        record.Present = false;
    }
    std::array<uint8_t, kDeviceDescriptorBufferSize> descriptor{};
    for (int n = 0; n < 4; ++n) {
        const std::string name = AdapterName(n);
        AdapterRecord probe;
        probe.AdapterName = name;
        const int32_t handle = OpenUsbDevice(probe);
        if (handle < 1) {
            continue;
        }
        // Identifiers count only from this device's answer, never from the one before.
        descriptor.fill(0);
        const auto input = descriptor;
        uint32_t returned = 0;
        if (!Request(handle, IoctlGetDeviceDescriptor, input, descriptor, returned)) {
            returned = 0;
        }
        std::fill(descriptor.begin() + returned, descriptor.end(), 0);
        if (Le16(&descriptor[kVendorIdOffset]) != AdapterVendorId) {
            CloseUsbDevice(handle);
            continue;
        }
        const uint16_t product = Le16(&descriptor[kProductIdOffset]);
        std::string type = "None";
        if (product == Fifo4ProductId) {
            type = "FIFO4";
        }
        if (product == McpProductId) {
            type = "MCP";
        }
        if (type == "None") {
            CloseUsbDevice(handle);
            continue;
        }
        ++Usb().UsbAdapterCount;
        auto& record = Usb().UsbAdapters[static_cast<size_t>(n)];
        record.Present = true;
        record.AdapterName = name;
        record.BoardType = type;
        GetBoardInfo(handle, record);
        CloseUsbDevice(handle);
    }
}

void FindUsbAdapters() {
    Usb().CurrentAdapter.Present = false;
    Usb().CurrentAdapterIndex = -1;
    Usb().LostBecause = "no adapter answered the search.";
    ScanUsbAdapters();
    if (Usb().UsbAdapterCount == 0) {
        return;
    }
    for (int16_t n = 0; n < 4; ++n) {
        if (Usb().UsbAdapters[static_cast<size_t>(n)].Present) {
            Usb().CurrentAdapter = Usb().UsbAdapters[static_cast<size_t>(n)];
            Usb().CurrentAdapterIndex = n;
            Usb().CurrentAdapter.Present = true;
            Usb().LostBecause.clear();
            return;
        }
    }
    Usb().CurrentAdapter.Present = false;
}

std::string AdapterDroppedText() {
    return std::string(kAdapterDropped) + Usb().LostBecause +
           " Choose USB in the Interface menu to take the adapter back.";
}

void ReadSpiSetup() {
    if (!Usb().CurrentAdapter.Present) {
        return;
    }
    Usb().SpiWordDelay = 0;
    const int32_t handle = OpenUsbDevice(Usb().CurrentAdapter);
    std::array<uint8_t, 2> buffer{kReadSetup, 0};
    int32_t count = 1;
    if (BulkTransfer(handle, kCommandPipe, buffer, count, 0) != 1) {
        AdapterFailed("Error Setting up SPI", handle);
    }
    count = 2;
    if (BulkTransfer(handle, kReplyPipe, buffer, count, 0) != 1) {
        FailTransaction("Error Reading SPI", handle);
        return;
    }
    Usb().SpiWordDelay = buffer[0];
    Usb().SpiStaticBits = buffer[1] & kStaticBitsMask;
    CloseUsbDevice(handle);
}

void SetSpiWordDelay(uint8_t& delay) {
    if (!Usb().CurrentAdapter.Present) {
        return;
    }
    if (delay == 0) {
        delay = 1;
    }
    Usb().SpiWordDelay = delay;
    SendSetting(kSetWordDelay, delay, "Error Setting up SPI");
}

void SetSpiStaticBits(uint8_t& bits) {
    if (!Usb().CurrentAdapter.Present) {
        return;
    }
    Usb().SpiStaticBits = bits;
    SendSetting(kSetStaticBits, bits, "Error Setting SPI Bits");
}

void SpiTransfer(uint8_t& count) {
    // Counts beyond the command's 16 words would not fit its buffer.
    if (!Usb().CurrentAdapter.Present || count < 1 || count > kMaxWords) {
        return;
    }
    Usb().SpiChannel = std::clamp<uint8_t>(Usb().SpiChannel, 1, 5);
    Usb().SpiWordCount = count;
    const int32_t handle = OpenUsbDevice(Usb().CurrentAdapter);

    std::array<uint8_t, 2 * kMaxWords + 9> buffer{};
    buffer[0] = Usb().SpiInputPolarity ? kTransferPos : kTransferNeg;
    buffer[1] = Usb().SpiChannel;
    buffer[2] = count;
    for (int k = 1; k <= count; ++k) {
        const auto word = static_cast<uint32_t>(Usb().SpiWriteWords[static_cast<size_t>(k)]);
        buffer[static_cast<size_t>(2 * k + 1)] = static_cast<uint8_t>((word >> 8) & 0xFF);
        buffer[static_cast<size_t>(2 * k + 2)] = static_cast<uint8_t>(word & 0xFF);
    }
    int32_t bytes = 2 * count + 3;
    if (BulkTransfer(handle, kCommandPipe, buffer, bytes, 0) != 1) {
        FailTransaction("Error Writing SPI", handle);
        return;
    }
    bytes = 2 * count;
    if (BulkTransfer(handle, kReplyPipe, buffer, bytes, 0) != 1) {
        FailTransaction("Error Reading SPI", handle);
        return;
    }
    for (int k = 1; k <= count; ++k) {
        Usb().SpiReadWords[static_cast<size_t>(k)] =
            buffer[static_cast<size_t>(2 * k - 2)] * 256 + buffer[static_cast<size_t>(2 * k - 1)];
    }
    CloseUsbDevice(handle);
}
