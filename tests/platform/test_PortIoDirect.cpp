#include "platform/PortIoLinux.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
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

#if defined(__i386__) || defined(__x86_64__)

TEST(DirectIo, GrantsAndDropsOnlyTheThreeRegistersOfTheChosenPort) {
    FakeIoperm ioperm;
    std::string reason;
    {
        auto port = MakeDirectIoBackend("/nonexistent", ioperm.Call());
        ASSERT_TRUE(port->Open(0x378, reason)) << reason;
        ASSERT_TRUE(port->Open(0x3BC, reason)) << reason; // the first port is given up
        port->Close();
        port->Close();
        ASSERT_TRUE(port->Open(0x278, reason)) << reason;
    } // and the last one when the backend goes
    const std::vector<PermissionCall> expected{{0x378, 3, 1}, {0x378, 3, 0}, {0x3BC, 3, 1},
                                               {0x3BC, 3, 0}, {0x278, 3, 1}, {0x278, 3, 0}};
    EXPECT_EQ(ioperm.calls, expected);

    auto port = MakeDirectIoBackend("/nonexistent", ioperm.Call());
    EXPECT_FALSE(port->Open(0xFFFE, reason)); // its control register would be past 0xFFFF
    EXPECT_EQ(ioperm.calls.size(), expected.size());
}

TEST(DirectIo, RefusalSaysWhatIsMissingAndTouchesNoPort) {
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
        FakeIoperm ioperm;
        ioperm.error = c.error;
        auto port = MakeDirectIoBackend((dir.path() / c.lockdown).string(), ioperm.Call());
        std::string reason;
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

TEST(DirectIo, OtherThreadsGetTheNoBoardPatternInsteadOfAFault) {
    FakeIoperm ioperm; // grants nothing really: an instruction here would fault
    auto port = MakeDirectIoBackend("/nonexistent", ioperm.Call());
    std::string reason;
    ASSERT_TRUE(port->Open(0x378, reason));
    uint8_t status = 0;
    std::thread([&] {
        port->Write(PortRegister::Data, 0x55);
        status = port->Read(PortRegister::Status);
    }).join();
    EXPECT_EQ(status, kNoBoardByte);
}

TEST(DirectIo, RealIopermWithoutTheRightIsRefusedCleanly) {
    auto port = MakeDirectIoBackend();
    std::string reason;
    if (port->Open(0x378, reason)) {
        port->Close();
        GTEST_SKIP() << "this process may do raw port I/O, so there is no refusal to see";
    }
    EXPECT_NE(reason.find("--direct-io"), std::string::npos) << reason;
    EXPECT_EQ(port->Read(PortRegister::Status), kNoBoardByte);
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
