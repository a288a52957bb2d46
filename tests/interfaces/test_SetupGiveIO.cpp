// The port driver's install runs only in the NT build, but its code compiles here: its
// decision on the service's start type is checked.
#include "interfaces/SetupGiveIO.h"
#include "platform/ProcessRunner.h"
#include "platform/Registry.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/TempDir.h"

#include <functional>
#include <optional>

namespace {

constexpr const char* kKey = "SYSTEM\\CurrentControlSet\\Services\\giveio";

struct StoredValue {
    uint32_t type;
    std::vector<uint8_t> bytes;
};

// The service's key, there once it has a start type; counts the keys left open.
class FakeRegistry : public Registry {
public:
    FakeRegistry() { InstallRegistry(this); }
    ~FakeRegistry() override { InstallRegistry(nullptr); }

    int32_t OpenKeyEx(uint32_t, const std::string& path, uint32_t, uint32_t,
                      uint32_t& key) override {
        key = 100;
        open += path == kKey && start ? 1 : 0;
        return path == kKey && start ? 0 : 2;
    }
    int32_t QueryValueEx(uint32_t, const std::string& name, uint32_t& type, uint8_t* data,
                         uint32_t& size) override {
        if (name != "Start") {
            return 2;
        }
        type = start->type;
        if (data != nullptr) {
            std::copy_n(start->bytes.begin(), std::min<size_t>(size, start->bytes.size()), data);
        }
        size = static_cast<uint32_t>(start->bytes.size());
        return 0;
    }
    int32_t SetValueEx(uint32_t, const std::string& name, uint32_t type, const uint8_t* data,
                       uint32_t size) override {
        start = name == "Start" ? StoredValue{type, {data, data + size}} : StoredValue{};
        return 0;
    }
    int32_t CloseKey(uint32_t) override { return --open, 0; }

    std::optional<StoredValue> start;
    int open = 0;
};

// Runs the installer, which leaves the start type it is given (none: leaves the key alone).
class FakeRunner : public ProcessRunner {
public:
    FakeRunner() { InstallProcessRunner(this); }
    ~FakeRunner() override { InstallProcessRunner(nullptr); }

    bool CreateProcess(const std::string&, bool, uint32_t, uint32_t,
                       ProcessHandles& handles) override {
        ++runs;
        handles = {7, 8};
        if (installer) {
            installer();
        }
        return true;
    }
    uint32_t WaitForSingleObject(intptr_t, uint32_t) override { return 0; }
    bool GetExitCodeProcess(intptr_t, uint32_t& code) override {
        code = 0;
        return true;
    }
    bool CloseHandle(intptr_t) override { return true; }
    std::string ProgramDirectory() override { return "."; }

    int runs = 0;
    std::function<void()> installer;
};

StoredValue Number(uint8_t n) { return {REG_DWORD, {n, 0, 0, 0}}; }

using GiveioTest = AppStateTest;

} // namespace

TEST_F(GiveioTest, InstallsOnlyWhenNotStartedAutomaticallyAndSaysWhenItFailed) {
    const struct {
        const char* what;
        std::optional<StoredValue> before, afterRun; // none: no key, or the installer left none
        int runs;
        size_t messages;
        StoredValue after;
    } cases[] = {
        {"automatic already", Number(2), {}, 0, 0, Number(2)},
        {"automatic, as text", StoredValue{REG_SZ, {'2', 0}}, {}, 0, 0, {REG_SZ, {'2', 0}}},
        {"fresh install on demand", {}, Number(3), 1, 0, Number(2)},
        {"disabled stays so", Number(4), Number(4), 1, 1, Number(4)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempWorkDir work;
        FakeFrontend ui;
        FakeRegistry registry;
        FakeRunner runner;
        registry.start = c.before;
        runner.installer = [&] { registry.start = c.afterRun ? c.afterRun : registry.start; };
        InstallGiveio();
        EXPECT_EQ(runner.runs, c.runs);
        EXPECT_EQ(ui.messages.size(), c.messages);
        ASSERT_TRUE(registry.start);
        EXPECT_EQ(registry.start->type, c.after.type);
        EXPECT_EQ(registry.start->bytes, c.after.bytes);
        EXPECT_EQ(registry.open, 0); // every key opened is closed again
    }
}
