// The libusb backend against an emulated adapter: umockdev presents a device with the
// simulated adapter's descriptors and endpoints, and its ioctl handler answers the URBs that
// libusb submits with the simulated firmware.
#include "interfaces/UsbSpiDrivers.h"
#include "platform/EzUsbLibusb.h"
#include "simulator/SimUsbAdapter.h"
#include "tests/support/AppStateTest.h"

#include <umockdev.h>

#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <deque>
#include <string>
#include <vector>

namespace {

constexpr const char* kSysPath = "/sys/devices/usb1/1-1";

// What the emulated wire does: a transfer towards the host that never answers (once), or
// that stalls (until the host clears the halt), or a device that is gone.
enum class Wire { Normal, InNeverAnswers, InStalls, Unplugged };

// The sysfs "descriptors" file, in hexadecimal: device descriptor, then the configuration
// with interface 0 and its endpoints.
std::string DescriptorsHex(const SimUsbAdapter& adapter) {
    std::vector<uint8_t> d = adapter.DeviceDescriptor();
    const auto& pipes = adapter.Endpoints();
    const auto total = static_cast<uint8_t>(9 + 9 + 7 * pipes.size());
    d.insert(d.end(), {9, 2, total, 0, 1, 1, 0, 0x80, 50});
    d.insert(d.end(), {9, 4, 0, 0, static_cast<uint8_t>(pipes.size()), 0xFF, 0xFF, 0xFF, 0});
    for (const auto& p : pipes) {
        d.insert(d.end(), {7, 5, p.endpointAddress, p.attributes,
                           static_cast<uint8_t>(p.maxPacketSize & 0xFF),
                           static_cast<uint8_t>(p.maxPacketSize >> 8), 0});
    }
    std::string hex;
    for (uint8_t b : d) {
        hex += "0123456789abcdef"[b >> 4];
        hex += "0123456789abcdef"[b & 15];
    }
    return hex;
}

// Runs on umockdev's ioctl thread; the test thread only sets the wire.
class EmulatedAdapter {
public:
    EmulatedAdapter() : adapter_(driverSensor_, DefaultSimAdapterConfig()) {
        driverSensor_.SetModel("KXS306");
    }
    ~EmulatedAdapter() {
        for (auto* list : {&done_, &flying_}) {
            std::for_each(list->begin(), list->end(), umockdev_ioctl_data_unref);
        }
    }

    SimUsbAdapter& Adapter() { return adapter_; }
    void SetWire(Wire wire) { wire_ = wire; }
    // Claims of interface 0 not yet released.
    int Held() const { return held_; }

    static gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
        return static_cast<EmulatedAdapter*>(self)->Handle(client);
    }

private:
    gboolean Handle(UMockdevIoctlClient* client) {
        const gulong request = umockdev_ioctl_client_get_request(client);
        UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
        if (wire_ == Wire::Unplugged && request != USBDEVFS_REAPURBNDELAY &&
            request != USBDEVFS_REAPURB) {
            umockdev_ioctl_client_complete(client, -1, ENODEV);
            return TRUE;
        }
        switch (request) {
        case USBDEVFS_CLEAR_HALT:
            if (wire_ == Wire::InStalls) {
                wire_ = Wire::Normal;
            }
            [[fallthrough]];
        case USBDEVFS_RELEASEINTERFACE:
        case USBDEVFS_DISCONNECT_CLAIM:
            held_ += request == USBDEVFS_DISCONNECT_CLAIM ? 1
                     : request == USBDEVFS_CLEAR_HALT     ? 0
                                                          : -1;
            umockdev_ioctl_client_complete(client, 0, 0);
            return TRUE;
        case USBDEVFS_SUBMITURB:
            return Submit(client, arg);
        case USBDEVFS_REAPURB:
        case USBDEVFS_REAPURBNDELAY:
            return Reap(client, arg);
        case USBDEVFS_DISCARDURB: {
            const auto address = reinterpret_cast<gulong>(*reinterpret_cast<void**>(arg->data));
            const auto it = std::find_if(flying_.begin(), flying_.end(), [address](auto* urb) {
                return urb->client_addr == address;
            });
            if (it == flying_.end()) {
                umockdev_ioctl_client_complete(client, -1, EINVAL);
                return TRUE;
            }
            reinterpret_cast<usbdevfs_urb*>((*it)->data)->status = -ENOENT;
            done_.push_back(*it);
            flying_.erase(it);
            umockdev_ioctl_client_complete(client, 0, 0);
            return TRUE;
        }
        default:
            umockdev_ioctl_client_complete(client, -1, ENOTTY);
            return TRUE;
        }
    }

    // The answer goes into the URB at once; it reaches the host when the URB is reaped.
    gboolean Submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
        UMockdevIoctlData* data =
            umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
        auto* urb = reinterpret_cast<usbdevfs_urb*>(data->data);
        UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(
            data, offsetof(usbdevfs_urb, buffer), static_cast<gsize>(urb->buffer_length), nullptr);
        const std::span<uint8_t> bytes(buffer->data, static_cast<size_t>(urb->buffer_length));
        const bool in = urb->endpoint & 0x80;
        urb->status = 0;
        urb->actual_length = 0;
        if (urb->type == USBDEVFS_URB_TYPE_CONTROL) {
            // GET_DESCRIPTOR of a string: the answer follows the 8-byte set-up packet. Texts
            // exist only in the language that the list at index 0 gives.
            const auto descriptor = adapter_.StringDescriptor(bytes[2]);
            urb->actual_length =
                std::min(static_cast<int>(descriptor.size()), bytes[6] | bytes[7] << 8);
            std::copy_n(descriptor.begin(), urb->actual_length, bytes.begin() + 8);
            if (bytes[2] != 0 && (bytes[4] | bytes[5] << 8) != 0x0409) {
                urb->status = -EPIPE;
            }
        } else if (!in) {
            adapter_.Write(PipeOf(urb->endpoint), bytes);
            urb->actual_length = urb->buffer_length;
        } else if (wire_ == Wire::InStalls) {
            urb->status = -EPIPE;
        } else if (wire_ == Wire::Normal) {
            urb->actual_length = static_cast<int>(adapter_.Read(PipeOf(urb->endpoint), bytes));
        }
        if (in && wire_ == Wire::InNeverAnswers) {
            flying_.push_back(data);
            wire_ = Wire::Normal;
        } else {
            done_.push_back(data);
        }
        umockdev_ioctl_data_unref(buffer);
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }

    gboolean Reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
        if (done_.empty()) {
            umockdev_ioctl_client_complete(client, -1, EAGAIN);
            return TRUE;
        }
        UMockdevIoctlData* pointer = umockdev_ioctl_data_resolve(arg, 0, sizeof(gpointer), nullptr);
        umockdev_ioctl_data_set_ptr(pointer, 0, done_.front());
        umockdev_ioctl_data_unref(pointer);
        umockdev_ioctl_data_unref(done_.front());
        done_.pop_front();
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }

    int PipeOf(uint8_t endpoint) const {
        const auto& pipes = adapter_.Endpoints();
        for (size_t i = 0; i < pipes.size(); ++i) {
            if (pipes[i].endpointAddress == endpoint) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    SimSensor driverSensor_;
    SimUsbAdapter adapter_;
    std::atomic<Wire> wire_ = Wire::Normal;
    std::atomic<int> held_ = 0;
    // Submitted URBs (each holding a reference) ready to reap, and those never answered.
    std::deque<UMockdevIoctlData*> done_;
    std::deque<UMockdevIoctlData*> flying_;
};

// Another device with the adapters' vendor id, which many unrelated gadgets share: it counts
// every request that reaches it, and answers none.
gboolean OnForeignIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer requests) {
    ++*static_cast<std::atomic<int>*>(requests);
    umockdev_ioctl_client_complete(client, -1, ENOTTY);
    return TRUE;
}

class LibusbBackendTest : public AppStateTest {
protected:
    void SetUp() override {
        AppStateTest::SetUp();
        testbed_ = umockdev_testbed_new();
        AddDevice(2, DescriptorsHex(mock_.Adapter()), handler_,
                  G_CALLBACK(EmulatedAdapter::OnIoctl), &mock_);
        // It comes first in bus and address order.
        AddDevice(1,
                  "12010002ff000040091201f00001010203010902120001010080"
                  "32090400000003000000",
                  foreignHandler_, G_CALLBACK(OnForeignIoctl), &foreignRequests_);
        // A short timeout keeps the test quick; the figure itself is not checked.
        driver_ = MakeLibusbEzUsbDriver(200);
        InstallEzUsbDriver(driver_.get());
    }
    void TearDown() override {
        InstallEzUsbDriver(nullptr);
        driver_.reset();
        g_clear_object(&handler_);
        g_clear_object(&foreignHandler_);
        g_clear_object(&testbed_);
        AppStateTest::TearDown();
    }
    // A device at address devnum of bus 1 with these descriptors, its requests going to
    // handler.
    void AddDevice(int devnum, const std::string& descriptors, UMockdevIoctlBase*& handler,
                   GCallback onIoctl, gpointer data) {
        const std::string n = std::to_string(devnum);
        const std::string node = "/dev/bus/usb/001/00" + n;
        handler = umockdev_ioctl_base_new();
        g_signal_connect(handler, "handle-ioctl", onIoctl, data);
        ASSERT_TRUE(umockdev_testbed_attach_ioctl(testbed_, node.c_str(), handler, nullptr));
        const std::string device =
            "P: /devices/usb1/1-" + std::to_string(devnum - 1) + "\nN: bus/usb/001/00" + n +
            "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DEVNAME=" + node +
            "\nA: busnum=1\\n\nA: devnum=" + n +
            "\\n\nA: bConfigurationValue=1\\n\nH: descriptors=" + descriptors + "\n";
        ASSERT_TRUE(umockdev_testbed_add_from_string(testbed_, device.c_str(), nullptr));
    }
    void Ready() {
        FindUsbAdapters();
        ASSERT_TRUE(App().CurrentAdapter.Present) << ::testing::PrintToString(ui_.MessageTexts());
    }

    FakeFrontend ui_;
    EmulatedAdapter mock_;
    UMockdevTestbed* testbed_ = nullptr;
    UMockdevIoctlBase* handler_ = nullptr;
    UMockdevIoctlBase* foreignHandler_ = nullptr;
    std::atomic<int> foreignRequests_ = 0;
    std::unique_ptr<EzUsbDriver> driver_;
};

TEST_F(LibusbBackendTest, ScanFindsTheAdapterAndTransactionsReachTheFirmware) {
    Ready();
    const auto& app = App();
    const auto& r = app.UsbAdapters[0];
    EXPECT_EQ(app.UsbAdapterCount, 1);
    EXPECT_EQ(app.CurrentAdapter.AdapterName, "Ezusb-0");
    EXPECT_EQ(r.BoardType + "|" + r.Descriptor1 + "|" + r.Descriptor2 + "|" + r.UsbSpeed,
              "FIFO4|Quelto|USB SPI Adapter|2");
    EXPECT_FLOAT_EQ(r.FirmwareRev, 1.2f);
    // The other device was never opened.
    EXPECT_EQ(foreignRequests_, 0);

    uint8_t delay = 33;
    SetSpiWordDelay(delay);
    EXPECT_EQ(mock_.Adapter().WordDelay(), 33);
    App().SpiWordDelay = 0;
    ReadSpiSetup();
    EXPECT_EQ(App().SpiWordDelay, 33);
    // The second word answers for the temperature channel the first addressed: 2048 at 25
    // degrees.
    App().SpiWriteWords[1] = 0x8710;
    App().SpiWriteWords[2] = 0x8310;
    uint8_t count = 2;
    SpiTransfer(count);
    EXPECT_EQ(App().SpiReadWords[2], 2048);
    EXPECT_TRUE(ui_.messages.empty() && App().CurrentAdapter.Present);
    EXPECT_EQ(mock_.Held(), 0); // nothing of the adapter stays claimed
}

// A reply that never comes times out; a stalled one fails, and its halt is cleared so that
// the next search finds the adapter; an unplugged adapter is gone, and no longer found. The
// message says which it was; none changes the words.
TEST_F(LibusbBackendTest, FailedTransfersSayWhyAndKeepTheWords) {
    const struct {
        Wire wire;
        const char* head;
        const char* fault;
    } cases[] = {{Wire::InNeverAnswers, "Error Reading SPI", "(time-out)"},
                 {Wire::InStalls, "Error Reading SPI", "(stalled endpoint)"},
                 {Wire::Unplugged, "Error Writing SPI", "is gone"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        Ready();
        ui_.messages.clear();
        App().SpiReadWords[1] = 0x1234;
        mock_.SetWire(c.wire);
        if (c.wire == Wire::Unplugged) {
            umockdev_testbed_uevent(testbed_, kSysPath, "remove");
            umockdev_testbed_remove_device(testbed_, kSysPath);
        }
        uint8_t count = 1; // one word, whatever it is: a transaction that needs a reply
        SpiTransfer(count);
        EXPECT_EQ(ui_.MessageHeads(), std::vector<std::string>{c.head});
        EXPECT_NE(ui_.messages[0].text.find(c.fault), std::string::npos) << ui_.messages[0].text;
        EXPECT_FALSE(App().CurrentAdapter.Present);
        EXPECT_EQ(App().SpiReadWords[1], 0x1234);
    }
    FindUsbAdapters();
    EXPECT_EQ(App().UsbAdapterCount, 0);
    EXPECT_EQ(App().CurrentAdapterIndex, -1);
}

} // namespace
