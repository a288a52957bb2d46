#include "platform/EzUsbLibusb.h"

#include "platform/AdapterIds.h"

#include <libusb.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <tuple>
#include <vector>

namespace {

constexpr int kInterface = 0;
constexpr uint16_t kEnglishUs = 0x0409;

class LibusbEzUsbDriver final : public EzUsbDriver {
public:
    explicit LibusbEzUsbDriver(unsigned timeoutMs) : timeoutMs_(timeoutMs) {}
    ~LibusbEzUsbDriver() override;

    int32_t Open(const std::string& deviceName) override;
    void Close(int32_t handle) override;
    bool IoControl(int32_t handle, uint32_t code, std::span<const uint8_t> input,
                   std::span<uint8_t> output, uint32_t& bytesReturned) override;
    EzUsbFault LastFault() const override { return lastFault_; }

private:
    struct Device {
        libusb_device_handle* handle = nullptr;
        std::vector<PipeDescription> pipes;
        uint16_t language = 0; // 0 until asked
        int users = 0;         // open program handles; the interface is claimed while any is
    };

    bool EnsureContext();
    // The adapters attached now, in bus and address order, told by the identifiers in their
    // device descriptors, which libusb has without opening anything; drops devices that went
    // away.
    std::vector<libusb_device*> Attached(libusb_device** list, ssize_t count);
    Device* OpenDevice(libusb_device* device);
    void Drop(Device* device);
    // Turns a libusb result into the request's success; a vanished device is dropped.
    bool Done(Device* device, int result);
    bool StringDescriptor(Device& device, uint8_t index, std::span<uint8_t> output,
                          uint32_t& bytesReturned);
    bool Bulk(Device& device, uint8_t endpoint, std::span<uint8_t> output, uint32_t& bytesReturned);

    unsigned timeoutMs_;
    libusb_context* context_ = nullptr;
    bool contextFailed_ = false;
    bool accessHintShown_ = false;
    std::vector<std::unique_ptr<Device>> open_;
    std::map<int32_t, Device*> handles_;
    int32_t nextHandle_ = 1;
    EzUsbFault lastFault_ = EzUsbFault::Failed;
};

LibusbEzUsbDriver::~LibusbEzUsbDriver() {
    handles_.clear();
    while (!open_.empty()) {
        Drop(open_.back().get());
    }
    if (context_ != nullptr) {
        libusb_exit(context_);
    }
}

bool LibusbEzUsbDriver::EnsureContext() {
    if (context_ == nullptr && !contextFailed_) {
        contextFailed_ = libusb_init(&context_) != 0;
        if (contextFailed_) {
            context_ = nullptr;
        }
    }
    return context_ != nullptr;
}

std::vector<libusb_device*> LibusbEzUsbDriver::Attached(libusb_device** list, ssize_t count) {
    std::vector<libusb_device*> all(list, list + std::max<ssize_t>(count, 0));
    for (size_t i = open_.size(); i-- > 0;) {
        libusb_device* device = libusb_get_device(open_[i]->handle);
        if (std::find(all.begin(), all.end(), device) == all.end()) {
            Drop(open_[i].get());
        }
    }
    std::vector<libusb_device*> adapters;
    for (libusb_device* device : all) {
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(device, &descriptor) == 0 &&
            IsAdapter(descriptor.idVendor, descriptor.idProduct)) {
            adapters.push_back(device);
        }
    }
    std::sort(adapters.begin(), adapters.end(), [](libusb_device* a, libusb_device* b) {
        return std::make_tuple(libusb_get_bus_number(a), libusb_get_device_address(a)) <
               std::make_tuple(libusb_get_bus_number(b), libusb_get_device_address(b));
    });
    return adapters;
}

LibusbEzUsbDriver::Device* LibusbEzUsbDriver::OpenDevice(libusb_device* device) {
    for (const auto& open : open_) {
        if (libusb_get_device(open->handle) == device) {
            return open.get();
        }
    }
    auto opened = std::make_unique<Device>();
    const int result = libusb_open(device, &opened->handle);
    if (result != 0) {
        if (result == LIBUSB_ERROR_ACCESS && !accessHintShown_) {
            accessHintShown_ = true;
            std::fprintf(stderr,
                         "queltoeval: no permission to open the USB SPI adapter on bus %d, "
                         "address %d; install docs/60-quelto-spi-adapter.rules (see README)\n",
                         libusb_get_bus_number(device), libusb_get_device_address(device));
        }
        return nullptr;
    }
    libusb_config_descriptor* config = nullptr;
    // Only adapters get here: a kernel driver bound to one may be moved aside while the
    // program holds it, and is given back on release.
    libusb_set_auto_detach_kernel_driver(opened->handle, 1);
    if (libusb_get_active_config_descriptor(device, &config) != 0) {
        libusb_close(opened->handle);
        return nullptr;
    }
    if (config->bNumInterfaces > 0 && config->interface[0].num_altsetting > 0) {
        const libusb_interface_descriptor& alt = config->interface[0].altsetting[0];
        for (int i = 0; i < alt.bNumEndpoints; ++i) {
            const libusb_endpoint_descriptor& e = alt.endpoint[i];
            opened->pipes.push_back({e.bEndpointAddress, e.bmAttributes, e.wMaxPacketSize});
        }
    }
    libusb_free_config_descriptor(config);
    open_.push_back(std::move(opened));
    return open_.back().get();
}

void LibusbEzUsbDriver::Drop(Device* device) {
    std::erase_if(handles_, [device](const auto& h) { return h.second == device; });
    if (device->users > 0) {
        libusb_release_interface(device->handle, kInterface);
    }
    libusb_close(device->handle);
    std::erase_if(open_, [device](const auto& d) { return d.get() == device; });
}

int32_t LibusbEzUsbDriver::Open(const std::string& deviceName) {
    const int number = EzUsbDeviceNumber(deviceName);
    if (number < 0 || !EnsureContext()) {
        return kNoDeviceHandle;
    }
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context_, &list);
    if (count < 0) {
        return kNoDeviceHandle;
    }
    const auto adapters = Attached(list, count);
    Device* device = static_cast<size_t>(number) < adapters.size()
                         ? OpenDevice(adapters[static_cast<size_t>(number)])
                         : nullptr;
    libusb_free_device_list(list, 1);
    if (device == nullptr) {
        return kNoDeviceHandle;
    }
    if (device->users == 0 && libusb_claim_interface(device->handle, kInterface) != 0) {
        return kNoDeviceHandle;
    }
    ++device->users;
    const int32_t handle = nextHandle_;
    nextHandle_ = nextHandle_ == INT32_MAX ? 1 : nextHandle_ + 1;
    handles_[handle] = device;
    return handle;
}

// The program opens and closes the adapter around every transaction; the libusb handle stays
// open underneath, but the interface is held only while the program has it open.
void LibusbEzUsbDriver::Close(int32_t handle) {
    const auto it = handles_.find(handle);
    if (it == handles_.end()) {
        return;
    }
    Device* device = it->second;
    handles_.erase(it);
    if (--device->users == 0) {
        libusb_release_interface(device->handle, kInterface);
    }
}

bool LibusbEzUsbDriver::Done(Device* device, int result) {
    switch (result) {
    case LIBUSB_ERROR_NO_DEVICE:
        Drop(device);
        lastFault_ = EzUsbFault::NoDevice;
        break;
    case LIBUSB_ERROR_TIMEOUT:
        lastFault_ = EzUsbFault::TimedOut;
        break;
    case LIBUSB_ERROR_PIPE:
        lastFault_ = EzUsbFault::Stalled;
        break;
    default:
        lastFault_ = EzUsbFault::Failed;
        break;
    }
    return result >= 0;
}

bool LibusbEzUsbDriver::IoControl(int32_t handle, uint32_t code, std::span<const uint8_t> input,
                                  std::span<uint8_t> output, uint32_t& bytesReturned) {
    bytesReturned = 0;
    lastFault_ = EzUsbFault::Failed;
    const auto it = handles_.find(handle);
    if (it == handles_.end()) {
        // A handle whose device was dropped, or one that was never opened.
        lastFault_ = EzUsbFault::NoDevice;
        return false;
    }
    Device& device = *it->second;
    const EzUsbRequest request = DecodeEzUsbRequest(code, input, output.size(), device.pipes);
    switch (request.kind) {
    case EzUsbRequest::Kind::PipeInfo:
        FillPipeInfo(output, device.pipes);
        bytesReturned = kPipeInfoSize;
        return true;
    case EzUsbRequest::Kind::DeviceDescriptor: {
        libusb_device_descriptor d{};
        if (libusb_get_device_descriptor(libusb_get_device(device.handle), &d) != 0) {
            return false;
        }
        const uint8_t bytes[kDeviceDescriptorLength] = {d.bLength,
                                                        d.bDescriptorType,
                                                        static_cast<uint8_t>(d.bcdUSB & 0xFF),
                                                        static_cast<uint8_t>(d.bcdUSB >> 8),
                                                        d.bDeviceClass,
                                                        d.bDeviceSubClass,
                                                        d.bDeviceProtocol,
                                                        d.bMaxPacketSize0,
                                                        static_cast<uint8_t>(d.idVendor & 0xFF),
                                                        static_cast<uint8_t>(d.idVendor >> 8),
                                                        static_cast<uint8_t>(d.idProduct & 0xFF),
                                                        static_cast<uint8_t>(d.idProduct >> 8),
                                                        static_cast<uint8_t>(d.bcdDevice & 0xFF),
                                                        static_cast<uint8_t>(d.bcdDevice >> 8),
                                                        d.iManufacturer,
                                                        d.iProduct,
                                                        d.iSerialNumber,
                                                        d.bNumConfigurations};
        std::copy(std::begin(bytes), std::end(bytes), output.begin());
        bytesReturned = kDeviceDescriptorLength;
        return true;
    }
    case EzUsbRequest::Kind::StringDescriptor:
        return StringDescriptor(device, request.stringIndex, output, bytesReturned);
    case EzUsbRequest::Kind::BulkRead:
    case EzUsbRequest::Kind::BulkWrite:
        return Bulk(device, device.pipes[request.pipe].endpointAddress, output, bytesReturned);
    case EzUsbRequest::Kind::Invalid:
        break;
    }
    return false;
}

bool LibusbEzUsbDriver::StringDescriptor(Device& device, uint8_t index, std::span<uint8_t> output,
                                         uint32_t& bytesReturned) {
    uint8_t buffer[255] = {};
    if (device.language == 0) {
        const int got = libusb_get_string_descriptor(device.handle, 0, 0, buffer, sizeof buffer);
        if (got == LIBUSB_ERROR_NO_DEVICE) {
            return Done(&device, got);
        }
        device.language = got >= 4 ? static_cast<uint16_t>(buffer[2] | buffer[3] << 8) : kEnglishUs;
    }
    const int got =
        libusb_get_string_descriptor(device.handle, index, device.language, buffer, sizeof buffer);
    if (!Done(&device, got)) {
        return false;
    }
    const size_t n = std::min(static_cast<size_t>(got), output.size());
    std::copy_n(buffer, n, output.begin());
    bytesReturned = static_cast<uint32_t>(n);
    return true;
}

bool LibusbEzUsbDriver::Bulk(Device& device, uint8_t endpoint, std::span<uint8_t> output,
                             uint32_t& bytesReturned) {
    if (output.size() > static_cast<size_t>(INT32_MAX)) {
        return false;
    }
    int transferred = 0;
    const int result =
        libusb_bulk_transfer(device.handle, endpoint, output.data(),
                             static_cast<int>(output.size()), &transferred, timeoutMs_);
    bytesReturned = static_cast<uint32_t>(std::max(transferred, 0));
    if (result == LIBUSB_ERROR_PIPE) {
        // Let the next request find the endpoint usable again.
        libusb_clear_halt(device.handle, endpoint);
    }
    if (!Done(&device, result)) {
        return false;
    }
    return bytesReturned == output.size();
}

} // namespace

std::unique_ptr<EzUsbDriver> MakeLibusbEzUsbDriver(unsigned timeoutMs) {
    return std::make_unique<LibusbEzUsbDriver>(timeoutMs);
}
