// The libusb backend against an emulated adapter: umockdev presents a device with the
// simulated adapter's descriptors and endpoints, and its ioctl handler answers the URBs that
// libusb submits with the simulated firmware.
#include "interfaces/UsbSpiDrivers.h"
#include "platform/EzUsbLibusb.h"
#include "simulator/SimUsbAdapter.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/FakeFrontend.h"

#include <gtest/gtest.h>
#include <umockdev.h>

#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr const char* kDevNode = "/dev/bus/usb/001/002";
constexpr const char* kSysPath = "/sys/devices/usb1/1-1";

// What the emulated wire does with bulk transfers.
enum class Wire { Normal, InNeverAnswers, InStalls, Unplugged };

std::string Hex(const std::vector<uint8_t>& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string text;
    for (uint8_t b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

// The sysfs "descriptors" file: device descriptor, then the configuration with interface 0
// and its endpoints.
std::vector<uint8_t> Descriptors(const SimUsbAdapter& adapter) {
    std::vector<uint8_t> d = adapter.DeviceDescriptor();
    const auto& pipes = adapter.Endpoints();
    const auto total = static_cast<uint16_t>(9 + 9 + 7 * pipes.size());
    const std::vector<uint8_t> config{
        9,    2, static_cast<uint8_t>(total & 0xFF), static_cast<uint8_t>(total >> 8), 1, 1, 0,
        0x80, 50};
    const std::vector<uint8_t> interface {
        9, 4, 0, 0, static_cast<uint8_t>(pipes.size()), 0xFF, 0xFF, 0xFF, 0
    };
    d.insert(d.end(), config.begin(), config.end());
    d.insert(d.end(), interface.begin(), interface.end());
    for (const auto& p : pipes) {
        d.insert(d.end(), {7, 5, p.endpointAddress, p.attributes,
                           static_cast<uint8_t>(p.maxPacketSize & 0xFF),
                           static_cast<uint8_t>(p.maxPacketSize >> 8), 0});
    }
    return d;
}

// A submitted URB waiting to be reaped, with what it will carry back.
struct Urb {
    UMockdevIoctlData* data; // holds a reference
    int status = 0;
    std::vector<uint8_t> in;
    int actual = 0;
};

class EmulatedAdapter {
public:
    EmulatedAdapter() : adapter_(driverSensor_, DefaultSimAdapterConfig()) {
        driverSensor_.SetModel("KXS306");
    }
    ~EmulatedAdapter() {
        for (auto* list : {&done_, &flying_, &discarded_}) {
            for (auto& urb : *list) {
                umockdev_ioctl_data_unref(urb.data);
            }
        }
    }

    SimUsbAdapter& Adapter() { return adapter_; }
    void SetWire(Wire wire) {
        std::lock_guard lock(mutex_);
        wire_ = wire;
    }

    static gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
        return static_cast<EmulatedAdapter*>(self)->Handle(client);
    }

private:
    gboolean Handle(UMockdevIoctlClient* client) {
        std::lock_guard lock(mutex_);
        const gulong request = umockdev_ioctl_client_get_request(client);
        UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
        if (wire_ == Wire::Unplugged && request != USBDEVFS_REAPURBNDELAY &&
            request != USBDEVFS_REAPURB) {
            umockdev_ioctl_client_complete(client, -1, ENODEV);
            return TRUE;
        }
        switch (request) {
        case USBDEVFS_GET_CAPABILITIES: {
            UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(guint32), nullptr);
            *reinterpret_cast<guint32*>(caps->data) =
                USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM;
            umockdev_ioctl_data_unref(caps);
            umockdev_ioctl_client_complete(client, 0, 0);
            return TRUE;
        }
        case USBDEVFS_CLAIMINTERFACE:
        case USBDEVFS_RELEASEINTERFACE:
        case USBDEVFS_DISCONNECT_CLAIM:
        case USBDEVFS_CLEAR_HALT:
        case USBDEVFS_RESETEP:
            umockdev_ioctl_client_complete(client, 0, 0);
            return TRUE;
        case USBDEVFS_SUBMITURB:
            return Submit(client, arg);
        case USBDEVFS_REAPURB:
        case USBDEVFS_REAPURBNDELAY:
            return Reap(client, arg);
        case USBDEVFS_DISCARDURB: {
            const auto address = reinterpret_cast<gulong>(*reinterpret_cast<void**>(arg->data));
            for (auto it = flying_.begin(); it != flying_.end(); ++it) {
                if (it->data->client_addr == address) {
                    it->status = -ENOENT;
                    discarded_.push_back(*it);
                    flying_.erase(it);
                    umockdev_ioctl_client_complete(client, 0, 0);
                    return TRUE;
                }
            }
            umockdev_ioctl_client_complete(client, -1, EINVAL);
            return TRUE;
        }
        default:
            umockdev_ioctl_client_complete(client, -1, ENOTTY);
            return TRUE;
        }
    }

    gboolean Submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
        UMockdevIoctlData* data =
            umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
        auto* urb = reinterpret_cast<usbdevfs_urb*>(data->data);
        UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(
            data, offsetof(usbdevfs_urb, buffer), static_cast<gsize>(urb->buffer_length), nullptr);
        Urb pending{data, 0, {}, 0};
        const uint8_t* bytes = buffer->data;
        if (urb->type == USBDEVFS_URB_TYPE_CONTROL) {
            // GET_DESCRIPTOR of a string: the answer follows the 8-byte set-up packet.
            const int type = bytes[3];
            const int index = bytes[2];
            const int length = bytes[6] | bytes[7] << 8;
            auto descriptor = type == 3 ? adapter_.StringDescriptor(index) : std::vector<uint8_t>{};
            if (bytes[1] != 6 || descriptor.empty()) {
                pending.status = -EPIPE;
            } else {
                descriptor.resize(std::min<size_t>(descriptor.size(), static_cast<size_t>(length)));
                pending.in.assign(bytes, bytes + 8);
                pending.in.insert(pending.in.end(), descriptor.begin(), descriptor.end());
                pending.actual = static_cast<int>(descriptor.size());
            }
        } else if (urb->endpoint & 0x80) {
            if (wire_ == Wire::InNeverAnswers) {
                flying_.push_back(pending);
                umockdev_ioctl_data_unref(buffer);
                umockdev_ioctl_client_complete(client, 0, 0);
                return TRUE;
            }
            if (wire_ == Wire::InStalls) {
                pending.status = -EPIPE;
            } else {
                pending.in.resize(static_cast<size_t>(urb->buffer_length));
                pending.actual = static_cast<int>(adapter_.Read(PipeOf(urb->endpoint), pending.in));
            }
        } else {
            adapter_.Write(
                PipeOf(urb->endpoint),
                std::span<const uint8_t>(bytes, static_cast<size_t>(urb->buffer_length)));
            pending.actual = urb->buffer_length;
        }
        umockdev_ioctl_data_unref(buffer);
        done_.push_back(pending);
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }

    gboolean Reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
        auto& from = !discarded_.empty() ? discarded_ : done_;
        if (from.empty()) {
            umockdev_ioctl_client_complete(client, -1, EAGAIN);
            return TRUE;
        }
        Urb urb = from.front();
        from.pop_front();
        auto* u = reinterpret_cast<usbdevfs_urb*>(urb.data->data);
        u->status = urb.status;
        u->actual_length = urb.actual;
        if (!urb.in.empty()) {
            std::memcpy(u->buffer, urb.in.data(),
                        std::min(urb.in.size(), static_cast<size_t>(u->buffer_length)));
        }
        UMockdevIoctlData* pointer = umockdev_ioctl_data_resolve(arg, 0, sizeof(gpointer), nullptr);
        umockdev_ioctl_data_set_ptr(pointer, 0, urb.data);
        umockdev_ioctl_data_unref(pointer);
        umockdev_ioctl_data_unref(urb.data);
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

    std::mutex mutex_;
    SimSensor driverSensor_;
    SimUsbAdapter adapter_;
    Wire wire_ = Wire::Normal;
    std::deque<Urb> done_;
    std::deque<Urb> flying_;
    std::deque<Urb> discarded_;
};

class LibusbBackendTest : public AppStateTest {
protected:
    void SetUp() override {
        AppStateTest::SetUp();
        testbed_ = umockdev_testbed_new();
        handler_ = umockdev_ioctl_base_new();
        g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(EmulatedAdapter::OnIoctl), &mock_);
        ASSERT_TRUE(umockdev_testbed_attach_ioctl(testbed_, kDevNode, handler_, nullptr));
        const std::string device = std::string("P: /devices/usb1/1-1\n"
                                               "N: bus/usb/001/002\n"
                                               "E: SUBSYSTEM=usb\n"
                                               "E: DEVTYPE=usb_device\n"
                                               "E: DRIVER=usb\n"
                                               "E: BUSNUM=001\n"
                                               "E: DEVNUM=002\n"
                                               "E: DEVNAME=/dev/bus/usb/001/002\n"
                                               "A: busnum=1\\n\n"
                                               "A: devnum=2\\n\n"
                                               "A: bConfigurationValue=1\\n\n"
                                               "A: speed=480\\n\n"
                                               "H: descriptors=") +
                                   Hex(Descriptors(mock_.Adapter())) + "\n";
        ASSERT_TRUE(umockdev_testbed_add_from_string(testbed_, device.c_str(), nullptr));
        // A short timeout keeps the test quick; the figure itself is not checked.
        driver_ = MakeLibusbEzUsbDriver(200);
        InstallEzUsbDriver(driver_.get());
    }
    void TearDown() override {
        InstallEzUsbDriver(nullptr);
        driver_.reset();
        g_clear_object(&handler_);
        g_clear_object(&testbed_);
        AppStateTest::TearDown();
    }
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& m : ui_.messages) {
            texts.push_back(m.text);
        }
        return texts;
    }
    void Ready() {
        FindUsbAdapters();
        ASSERT_TRUE(App().CurrentAdapter.Present) << ::testing::PrintToString(Messages());
    }
    std::vector<int> Transfer(std::initializer_list<int> words) {
        auto& app = App();
        app.SpiChannel = 1;
        uint8_t count = 0;
        for (int w : words) {
            app.SpiWriteWords[++count] = w;
        }
        SpiTransfer(count);
        return {app.SpiReadWords.begin() + 1, app.SpiReadWords.begin() + 1 + count};
    }

    FakeFrontend ui_;
    EmulatedAdapter mock_;
    UMockdevTestbed* testbed_ = nullptr;
    UMockdevIoctlBase* handler_ = nullptr;
    std::unique_ptr<EzUsbDriver> driver_;
};

TEST_F(LibusbBackendTest, ScanFindsTheAdapterWithItsBoardInformation) {
    Ready();
    const auto& app = App();
    EXPECT_EQ(app.UsbAdapterCount, 1);
    EXPECT_EQ(app.CurrentAdapterIndex, 0);
    EXPECT_EQ(app.UsbAdapters[0].BoardType, "FIFO4");
    EXPECT_EQ(app.UsbAdapters[0].Descriptor1, "Quelto");
    EXPECT_EQ(app.UsbAdapters[0].Descriptor2, "USB SPI Adapter");
    EXPECT_FLOAT_EQ(app.UsbAdapters[0].FirmwareRev, 1.2f);
    EXPECT_EQ(app.UsbAdapters[0].UsbSpeed, "2");
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(LibusbBackendTest, TransactionsReachTheFirmware) {
    Ready();
    uint8_t delay = 33;
    uint8_t bits = 0x50;
    SetSpiWordDelay(delay);
    SetSpiStaticBits(bits);
    EXPECT_EQ(mock_.Adapter().WordDelay(), 33);
    EXPECT_EQ(mock_.Adapter().StaticBits(), 0x50);
    App().SpiWordDelay = 0;
    App().SpiStaticBits = 0;
    ReadSpiSetup();
    EXPECT_EQ(App().SpiWordDelay, 33);
    EXPECT_EQ(App().SpiStaticBits, 0x50);
    const auto words = Transfer({0x8310, 0x8710, 0x8B10, 0x8F10, 0x8310});
    ASSERT_EQ(words.size(), 5u);
    // Word 3 answers the temperature channel: 2048 at 25 degrees.
    EXPECT_EQ(words[2], 2048);
    EXPECT_TRUE(ui_.messages.empty());
    EXPECT_TRUE(App().CurrentAdapter.Present);
}

TEST_F(LibusbBackendTest, ReplyThatNeverComesTimesOut) {
    Ready();
    App().SpiReadWords[1] = 0x1234;
    mock_.SetWire(Wire::InNeverAnswers);
    Transfer({0x8310});
    EXPECT_EQ(Messages(), std::vector<std::string>{"Error Reading SPI"});
    EXPECT_FALSE(App().CurrentAdapter.Present);
    EXPECT_EQ(App().SpiReadWords[1], 0x1234);
}

TEST_F(LibusbBackendTest, StalledReplyFailsAndTheNextOneWorks) {
    Ready();
    mock_.SetWire(Wire::InStalls);
    Transfer({0x8310});
    EXPECT_EQ(Messages(), std::vector<std::string>{"Error Reading SPI"});
    EXPECT_FALSE(App().CurrentAdapter.Present);

    mock_.SetWire(Wire::Normal);
    ui_.messages.clear();
    Ready();
    Transfer({0x8310});
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(LibusbBackendTest, UnpluggedAdapterFailsAndIsGone) {
    Ready();
    mock_.SetWire(Wire::Unplugged);
    umockdev_testbed_uevent(testbed_, kSysPath, "remove");
    umockdev_testbed_remove_device(testbed_, kSysPath);
    Transfer({0x8310});
    EXPECT_EQ(Messages(), std::vector<std::string>{"Error Writing SPI"});
    EXPECT_FALSE(App().CurrentAdapter.Present);
    FindUsbAdapters();
    EXPECT_EQ(App().UsbAdapterCount, 0);
    EXPECT_EQ(App().CurrentAdapterIndex, -1);
}

} // namespace
