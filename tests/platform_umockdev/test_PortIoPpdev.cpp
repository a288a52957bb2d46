// The ppdev backend through real open and ioctl calls, on a /dev/parport0 emulated by
// umockdev whose ioctl handler stands for the driver and the board behind it.
#include "platform/PortIo.h"
#include "platform/PortIoLinux.h"

#include <gtest/gtest.h>
#include <umockdev.h>

#include <cerrno>
#include <cstdio>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <linux/ppdev.h>
#include <map>
#include <mutex>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Request {
    unsigned long code;
    int value; // the byte written or answered; -1 for requests without one
    bool operator==(const Request&) const = default;
};

void PrintTo(const Request& r, std::ostream* os) {
    *os << "ioctl 0x" << std::hex << r.code << std::dec << "(" << r.value << ")";
}

// The kernel side of /dev/parport0 with a board whose status lines the test sets: requests
// are recorded in order and can be made to fail.
class EmulatedParport {
public:
    uint8_t status = 0;

    std::vector<Request> Requests() {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        requests_.clear();
    }
    // Every later request of this code (0: of any code, as when the card or its driver is
    // gone) fails with error; error 0 ends that.
    void Fail(unsigned long code, int error) {
        std::lock_guard lock(mutex_);
        failures_[code] = error;
    }

    // umockdev calls this on its worker thread while the caller waits in ioctl().
    static gboolean Handle(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
        static_cast<EmulatedParport*>(self)->Serve(client);
        return TRUE;
    }

private:
    void Serve(UMockdevIoctlClient* client) {
        std::lock_guard lock(mutex_);
        const unsigned long code = umockdev_ioctl_client_get_request(client);
        int error = failures_[0] ? failures_[0] : failures_[code];
        int value = -1;
        if (error == 0 && code != PPEXCL && code != PPCLAIM && code != PPRELEASE) {
            value = Exchange(code, umockdev_ioctl_client_get_arg(client));
            error = value < 0 ? ENOTTY : 0;
        }
        requests_.push_back({code, value});
        umockdev_ioctl_client_complete(client, error ? -1 : 0, error);
    }

    // The byte a register request carries, after the board has taken or given it; -1 for
    // requests ppdev does not know.
    int Exchange(unsigned long code, UMockdevIoctlData* arg) {
        uint8_t* reg = code == PPWDATA || code == PPRDATA         ? &data_
                       : code == PPWCONTROL || code == PPRCONTROL ? &control_
                       : code == PPRSTATUS                        ? &status
                                                                  : nullptr;
        if (reg == nullptr) {
            return -1;
        }
        UMockdevIoctlData* byte = umockdev_ioctl_data_resolve(arg, 0, 1, nullptr);
        if (code == PPWDATA || code == PPWCONTROL) {
            *reg = byte->data[0];
        } else {
            byte->data[0] = *reg;
        }
        g_object_unref(byte); // the argument keeps it until complete() copies it back
        return *reg;
    }

    std::mutex mutex_;
    std::vector<Request> requests_;
    std::map<unsigned long, int> failures_;
    uint8_t data_ = 0, control_ = 0;
};

const Request kExcl{PPEXCL, -1}, kClaim{PPCLAIM, -1}, kRelease{PPRELEASE, -1};

// A umockdev testbed whose /dev/parport0 is served by parport, and whose /proc (which the
// program's default path sees too) lists that port at 0x378.
class Ppdev : public ::testing::Test {
protected:
    Ppdev() {
        g_free(umockdev_testbed_add_device(testbed_, "ppdev", "parport0", nullptr,
                                           // attributes
                                           "dev", "99:0", nullptr,
                                           // properties
                                           "DEVNAME", "/dev/parport0", nullptr));
        char* root = umockdev_testbed_get_root_dir(testbed_);
        root_ = root;
        g_free(root);
        // add_device records the node's numbers only; the file behind it is ours to make.
        std::ofstream(NodeFile()).flush();
        g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(EmulatedParport::Handle), &parport);
        EXPECT_TRUE(umockdev_testbed_attach_ioctl(testbed_, "/dev/parport0", handler_, nullptr));
        WriteBaseAddress(0, "888\t1912\n");
        fs::create_directories(ProcRoot() + "/sys/dev/parport/default");
    }
    ~Ppdev() override {
        port.reset();
        g_object_unref(handler_);
        g_object_unref(testbed_);
    }

    std::string ProcRoot() const { return root_ + "/proc"; }
    // The testbed's file behind the emulated /dev/parport0.
    std::string NodeFile() const { return root_ + "/dev/parport0"; }
    void WriteBaseAddress(int number, const std::string& text) const {
        const fs::path dir = ProcRoot() + "/sys/dev/parport/parport" + std::to_string(number);
        fs::create_directories(dir);
        std::ofstream(dir / "base-addr") << text;
    }

    bool Open(uint16_t base = 0x378, const std::string& devRoot = "/dev") {
        port = MakePpdevBackend(ProcRoot(), devRoot);
        reason.clear();
        return port->Open(base, reason);
    }

    EmulatedParport parport;
    UMockdevTestbed* testbed_ = umockdev_testbed_new();
    UMockdevIoctlBase* handler_ = umockdev_ioctl_base_new();
    std::string root_;
    std::unique_ptr<PortBackend> port;
    std::string reason;
};

TEST_F(Ppdev, ClaimsThePortExclusivelyAndMapsTheRegistersUntilClosed) {
    ASSERT_TRUE(Open(0x378)) << reason;
    EXPECT_EQ(parport.Requests(), (std::vector<Request>{kExcl, kClaim}));

    parport.Clear();
    parport.status = 0x87;
    port->Write(PortRegister::Data, 0xA5);
    port->Write(PortRegister::Control, 0x0C);
    port->Write(PortRegister::Status, 0x11); // read-only: not sent
    EXPECT_EQ(port->Read(PortRegister::Status), 0x87);
    EXPECT_EQ(port->Read(PortRegister::Data), 0xA5);
    EXPECT_EQ(port->Read(PortRegister::Control), 0x0C);
    parport.status = 0x00;
    EXPECT_EQ(port->Read(PortRegister::Status), 0x00);
    port->Close();
    port->Close(); // nothing more to release
    EXPECT_EQ(parport.Requests(), (std::vector<Request>{{PPWDATA, 0xA5},
                                                        {PPWCONTROL, 0x0C},
                                                        {PPRSTATUS, 0x87},
                                                        {PPRDATA, 0xA5},
                                                        {PPRCONTROL, 0x0C},
                                                        {PPRSTATUS, 0x00},
                                                        kRelease}));

    // Reopened and then dropped without Close: the claim is given back all the same.
    parport.Clear();
    ASSERT_TRUE(Open(0x378)) << reason;
    port.reset();
    EXPECT_EQ(parport.Requests(), (std::vector<Request>{kExcl, kClaim, kRelease}));
}

TEST_F(Ppdev, FindsThePortByItsBaseAddressOrSaysWhichDriverIsMissing) {
    EXPECT_FALSE(Open(0x278));
    EXPECT_NE(reason.find("No parallel port at 0x278 in " + ProcRoot() +
                          "/sys/dev/parport.\nThe parport_pc driver must know the port; load "
                          "the drivers:\n    sudo modprobe parport_pc ppdev"),
              std::string::npos)
        << reason;
    // Only the first number of base-addr is the port's; the second is its ECP registers.
    EXPECT_FALSE(Open(1912));
    EXPECT_TRUE(parport.Requests().empty());

    // parport1 has no device node: failing on it proves that the lookup chose it.
    WriteBaseAddress(0, "632\t1656\n");
    WriteBaseAddress(1, "888\t1912\n");
    WriteBaseAddress(2, "\n");
    const std::string dev = root_ + "/emptydev";
    fs::create_directories(dev);
    EXPECT_FALSE(Open(0x378, dev));
    EXPECT_NE(reason.find(dev + "/parport1: No such file or directory.\nLoad the ppdev module:\n"
                                "    sudo modprobe ppdev"),
              std::string::npos)
        << reason;
    EXPECT_FALSE(Open(0)); // an empty base-addr matches nothing
    ASSERT_TRUE(Open(0x278)) << reason;
    EXPECT_EQ(parport.Requests(), (std::vector<Request>{kExcl, kClaim}));
}

TEST_F(Ppdev, BusyPortNamesTheOtherDriverAndIsNotHeld) {
    // A port that another driver holds refuses the exclusive claim; ppdev says EBUSY when
    // the claim itself is refused and ENXIO when the exclusive registration is.
    for (const int error : {EBUSY, ENXIO}) {
        SCOPED_TRACE(error);
        parport.Clear();
        parport.Fail(PPCLAIM, error);
        EXPECT_FALSE(Open());
        EXPECT_NE(reason.find("/dev/parport0: the port is in use.\nAnother driver, such as lp"),
                  std::string::npos)
            << reason;
        port.reset();
        EXPECT_EQ(parport.Requests(), (std::vector<Request>{kExcl, {PPCLAIM, -1}}));
    }

    parport.Clear();
    parport.Fail(PPCLAIM, 0);
    parport.Fail(PPEXCL, EINVAL);
    EXPECT_FALSE(Open());
    EXPECT_NE(reason.find("could not be claimed: Invalid argument"), std::string::npos) << reason;
    EXPECT_EQ(parport.Requests(), (std::vector<Request>{{PPEXCL, -1}})); // no claim without it
}

TEST_F(Ppdev, PermissionDeniedNamesTheGroupThatOwnsTheDevice) {
    // Only the owner may open the node; the path to it, and umockdev's own sockets, stay open
    // to everyone.
    fs::permissions(root_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    for (const auto& entry : fs::recursive_directory_iterator(root_ + "/ioctl")) {
        fs::permissions(entry.path(), fs::perms::all);
    }
    fs::permissions(root_ + "/ioctl", fs::perms::all);
    const bool root = ::geteuid() == 0;
    // Root passes any file mode; as a user, the node is our own, so shut ourselves out.
    fs::permissions(NodeFile(), root ? fs::perms::owner_read | fs::perms::owner_write
                                     : fs::perms::group_read | fs::perms::group_write);
    struct stat st {};
    ASSERT_EQ(::stat(NodeFile().c_str(), &st), 0);
    const group* owner = ::getgrgid(st.st_gid);
    ASSERT_NE(owner, nullptr);
    const std::string groupName = owner->gr_name;
    // As an unprivileged user, so that file modes apply; the other tests need root back.
    ASSERT_TRUE(!root || ::seteuid(65534) == 0) << errno;
    EXPECT_FALSE(Open());
    if (root && ::seteuid(0) != 0) {
        std::abort();
    }
    EXPECT_NE(reason.find("/dev/parport0: Permission denied."), std::string::npos) << reason;
    EXPECT_NE(reason.find("Add your user to the group that owns /dev/parport0 (" + groupName +
                          "), then log in again."),
              std::string::npos)
        << reason;
    EXPECT_TRUE(parport.Requests().empty());
}

TEST_F(Ppdev, FailingDeviceReadsNoBoardAndIsNotHammered) {
    ASSERT_TRUE(Open()) << reason;
    parport.Clear();
    parport.Fail(0, EIO);
    EXPECT_EQ(port->Read(PortRegister::Status), kNoBoardByte);
    for (int i = 0; i < 3; ++i) {
        port->Write(PortRegister::Data, 0x55);
        EXPECT_EQ(port->Read(PortRegister::Status), kNoBoardByte);
    }
    EXPECT_EQ(parport.Requests(), (std::vector<Request>{{PPRSTATUS, -1}}));
    port->Close();

    // Opening again starts afresh once the device answers.
    parport.Fail(0, 0);
    ASSERT_TRUE(Open()) << reason;
    EXPECT_EQ(port->Read(PortRegister::Status), 0x00);
}

// Through the port layer, with the default /proc and /dev as the program runs: only the open
// port's three registers reach the driver, and every access does, repeated ones too.
TEST_F(Ppdev, PortLayerSendsEveryAccessAndOnlyThoseOfTheOpenPort) {
    port = MakePpdevBackend();
    InstallPortBackend(port.get());
    ASSERT_TRUE(OpenPort(0x378, reason)) << reason;
    parport.Clear();
    parport.status = 0x40;
    for (const int16_t address : {0x377, 0x37B, 0x37F, 0x278, 0x3BC, 0x779, -1}) {
        vbOut(address, 0x99);
        EXPECT_EQ(vbInp(address), kNoBoardByte) << address;
    }
    EXPECT_TRUE(parport.Requests().empty());
    vbOut(0x378, 0x1234); // the low byte only
    EXPECT_EQ(vbInp(0x379), 0x40);
    vbOut(0x37A, 0x04);
    vbOut(0x37A, 0x04);
    EXPECT_EQ(parport.Requests(),
              (std::vector<Request>{
                  {PPWDATA, 0x34}, {PPRSTATUS, 0x40}, {PPWCONTROL, 0x04}, {PPWCONTROL, 0x04}}));
    InstallPortBackend(nullptr);
    EXPECT_EQ(parport.Requests().back(), kRelease);
}

} // namespace

int main(int argc, char** argv) {
    // Without it every test would fail on the real /dev, for reasons far from the cause.
    if (::dlopen("libumockdev-preload.so.0", RTLD_LAZY | RTLD_NOLOAD) == nullptr) {
        std::fprintf(stderr, "libumockdev-preload.so.0 is not loaded\n");
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
