#include "interfaces/SetupGiveIO.h"
#include "platform/PortIoLinux.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/TempDir.h"

#include <cerrno>
#include <filesystem>
#include <thread>
#include <vector>

namespace {

struct PermissionCall {
    unsigned long from, num;
    int on;
    bool operator==(const PermissionCall&) const = default;
};

// ioperm that records its calls and fails with a chosen errno (0: grants).
struct FakeIoperm {
    std::vector<PermissionCall> calls;
    int error = 0;
    IoPermissionCall Call() {
        return [this](unsigned long from, unsigned long num, int on) {
            calls.push_back({from, num, on});
            if (on && error != 0) {
                errno = error;
                return -1;
            }
            return 0;
        };
    }
};

// A /proc that knows parallel ports at 0x378 (parport driver) and 0x3BC (ioports only), and
// lists the keyboard controller and the PCI configuration ports.
struct FakeProc {
    TempWorkDir dir;
    FakeProc() {
        std::filesystem::create_directories(dir.path() / "sys/dev/parport/parport0");
        std::filesystem::create_directories(dir.path() / "sys/dev/parport/default");
        dir.Write("sys/dev/parport/parport0/base-addr", "888\t1912\n");
        dir.Write("ioports", "0000-0cf7 : PCI Bus 0000:00\n"
                             "  0060-0060 : keyboard\n"
                             "  0064-0064 : keyboard\n"
                             "  0378-037a : parport0\n"
                             "  03bc-03be : parport1\n"
                             "  0cf8-0cff : PCI conf1\n");
    }
    // Grants everything and records the calls; no privileges are dropped.
    DirectIoSystem System(IoPermissionCall ioperm,
                          PrivilegeDrop drop = PrivilegeDrop::NotRoot) const {
        return {dir.path().string(), "/nonexistent", std::move(ioperm), [drop] { return drop; }};
    }
};

TEST(Privileges, DropsToTheSudoUserOnlyWhenRootThroughSudo) {
    struct Case {
        uid_t euid;
        const char *uid, *gid;
        int failingCall; // 0 none, 1 groups, 2 group, 3 user
        PrivilegeDrop expected;
        std::vector<std::string> calls;
    } cases[] = {
        {1000, "1000", "1000", 0, PrivilegeDrop::NotRoot, {}},
        {0, nullptr, nullptr, 0, PrivilegeDrop::NoInvokingUser, {}},
        {0, "0", "0", 0, PrivilegeDrop::NoInvokingUser, {}},
        {0, "1000x", "1000", 0, PrivilegeDrop::NoInvokingUser, {}},
        {0, "1000", "100", 0, PrivilegeDrop::Dropped, {"groups 1000 100", "gid 100", "uid 1000"}},
        {0, "1000", "100", 2, PrivilegeDrop::Failed, {"groups 1000 100", "gid 100"}},
        {0, "1000", "100", 3, PrivilegeDrop::Failed, {"groups 1000 100", "gid 100", "uid 1000"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> calls;
        uid_t euid = c.euid;
        auto call = [&](const std::string& what, int which) {
            calls.push_back(what);
            return c.failingCall == which ? -1 : 0;
        };
        using std::to_string;
        const PrivilegeCalls fake{
            [&] { return euid; },
            [&](const char* name) { return std::string(name) == "SUDO_UID" ? c.uid : c.gid; },
            [&](uid_t u, gid_t g) {
                return call("groups " + to_string(u) + " " + to_string(g), 1);
            },
            [&](gid_t g) { return call("gid " + to_string(g), 2); },
            [&](uid_t u) {
                euid = c.failingCall == 3 ? 0 : u;
                return call("uid " + to_string(u), 3);
            }};
        EXPECT_EQ(HoldsRootToGiveUp(fake),
                  c.expected == PrivilegeDrop::Dropped || c.expected == PrivilegeDrop::Failed);
        EXPECT_EQ(DropToInvokingUser(fake), c.expected) << (c.uid ? c.uid : "unset");
        EXPECT_EQ(calls, c.calls);
    }
}

#if defined(__i386__) || defined(__x86_64__)

class DirectIo : public AppStateTest {
protected:
    std::unique_ptr<PortBackend> Make(PrivilegeDrop drop = PrivilegeDrop::NotRoot) {
        return MakeDirectIoBackend(proc.System(ioperm.Call(), drop));
    }
    void TearDown() override {
        InstallPortBackend(nullptr);
        AppStateTest::TearDown();
    }
    FakeFrontend ui;
    FakeProc proc;
    FakeIoperm ioperm;
    std::string reason;
    std::unique_ptr<PortBackend> installed; // the port layer's backend, for the whole test
};

TEST_F(DirectIo, OnlyPortsTheKernelKnowsOpenWithoutAskingTheUser) {
    // A port in ioports without the parport driver; 0x378 is the dialog test's.
    auto port = Make();
    EXPECT_EQ(port->AddressQuestion(0x3BC), "");
    EXPECT_TRUE(port->Open(0x3BC, reason)) << reason;

    // The question says what is there; nothing is granted until the user allows it.
    EXPECT_NE(port->AddressQuestion(0x60).find("lists it as: PCI Bus 0000:00, keyboard."),
              std::string::npos);
    EXPECT_NE(port->AddressQuestion(0xE000).find("Nothing is listed"), std::string::npos);
    const size_t granted = ioperm.calls.size();
    for (uint16_t base : {0x60, 0xE000}) {
        EXPECT_FALSE(port->Open(base, reason));
        EXPECT_NE(reason.find("was not allowed"), std::string::npos) << reason;
    }
    EXPECT_EQ(ioperm.calls.size(), granted + 1); // only 0x3BC given back by the first refusal
}

TEST_F(DirectIo, AnUnknownAddressFromTheDialogOrTheSettingsIsOpenedOnlyWhenConfirmed) {
    installed = Make();
    InstallPortBackend(installed.get());
    App().PortAddress = 0xCF9;
    EXPECT_FALSE(OpenPortAccess(false));
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(ui.questions[0].title, "Parallel Port Setup");
    EXPECT_TRUE(ioperm.calls.empty());
    EXPECT_TRUE(ui.messages.empty()); // the user said no: nothing more to say
    EXPECT_FALSE(PortIsOpen());

    ui.confirmAnswers = {true};
    EXPECT_TRUE(OpenPortAccess(false));
    EXPECT_TRUE(PortIsOpen());

    App().PortAddress = 0x378;
    EXPECT_TRUE(OpenPortAccess(false));
    EXPECT_EQ(ui.questions.size(), 2u);
}

TEST_F(DirectIo, GrantsAndDropsOnlyTheThreeRegistersOfTheChosenPort) {
    proc.dir.Write("ioports", "0278-027a : parport2\n0378-037a : parport0\n03bc-03be : parport1\n");
    {
        auto port = Make();
        ASSERT_TRUE(port->Open(0x378, reason)) << reason;
        ASSERT_TRUE(port->Open(0x3BC, reason)) << reason; // the first port is given up
        port->Close();
        port->Close();
        ASSERT_TRUE(port->Open(0x278, reason)) << reason;
    } // and the last one when the backend goes
    // A permission kept by a program that could not give up root would be a root program.
    auto stuck = Make(PrivilegeDrop::Failed);
    EXPECT_FALSE(stuck->Open(0x378, reason));
    EXPECT_EQ(reason, PrivilegeDropText(PrivilegeDrop::Failed));
    EXPECT_EQ(stuck->Read(PortRegister::Status), kNoBoardByte);
    const std::vector<PermissionCall> expected{{0x378, 3, 1}, {0x378, 3, 0}, {0x3BC, 3, 1},
                                               {0x3BC, 3, 0}, {0x278, 3, 1}, {0x278, 3, 0},
                                               {0x378, 3, 1}, {0x378, 3, 0}};
    EXPECT_EQ(ioperm.calls, expected);
}

TEST_F(DirectIo, RefusalSaysWhatIsMissingAndTouchesNoPort) {
    TempWorkDir dir;
    dir.Write("integrity", "none [integrity] confidentiality\n");
    dir.Write("none", "[none] integrity confidentiality\n");
    struct Case {
        int error;
        std::string lockdown, expected;
    } cases[] = {
        {EPERM, "/nonexistent", "needs root or the CAP_SYS_RAWIO capability"},
        {EPERM, "none", "needs root or the CAP_SYS_RAWIO capability"},
        {EPERM, "integrity", "refused under kernel lockdown (integrity)"},
        {ENOSYS, "/nonexistent", "not available"},
        {EINVAL, "/nonexistent", "Invalid argument"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lockdown + " " + std::to_string(c.error));
        ioperm = {{}, c.error};
        auto system = proc.System(ioperm.Call());
        system.lockdownPath = (dir.path() / c.lockdown).string();
        auto port = MakeDirectIoBackend(system);
        EXPECT_FALSE(port->Open(0x378, reason));
        EXPECT_NE(reason.find("0x378"), std::string::npos) << reason;
        EXPECT_NE(reason.find(c.expected), std::string::npos) << reason;
        EXPECT_NE(reason.find("leave out --direct-io"), std::string::npos) << reason;
        // Without the permission an in or out instruction would kill the program.
        EXPECT_EQ(port->Read(PortRegister::Status), kNoBoardByte);
        port->Write(PortRegister::Data, 0);
        port->Close();
        EXPECT_EQ(ioperm.calls.size(), 1u); // nothing to give back
    }
}

TEST_F(DirectIo, OtherThreadsGetTheNoBoardPatternInsteadOfAFault) {
    auto port = Make(); // the fake grants nothing really: an instruction here would fault
    ASSERT_TRUE(port->Open(0x378, reason));
    uint8_t status = 0;
    std::thread([&] {
        port->Write(PortRegister::Data, 0x55);
        status = port->Read(PortRegister::Status);
    }).join();
    EXPECT_EQ(status, kNoBoardByte);
}

#else

TEST(DirectIo, RefusedOffX86) {
    auto port = MakeDirectIoBackend();
    std::string reason;
    EXPECT_FALSE(port->Open(0x378, reason));
    EXPECT_NE(reason.find("only on x86"), std::string::npos) << reason;
}

#endif

} // namespace
