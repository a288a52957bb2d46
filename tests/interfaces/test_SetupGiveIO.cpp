// The port driver's install runs only in the NT build, but its code compiles here: its
// decision on the service's start type is checked.
#include "interfaces/SetupGiveIO.h"
#include "platform/ProcessRunner.h"
#include "platform/Registry.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/TempDir.h"

#include <functional>
#include <map>

namespace {

constexpr const char* kKey = "SYSTEM\\CurrentControlSet\\Services\\giveio";

struct StoredValue {
    uint32_t type;
    std::vector<uint8_t> bytes;
};

class FakeRegistry : public Registry {
public:
    FakeRegistry() { InstallRegistry(this); }
    ~FakeRegistry() override { InstallRegistry(nullptr); }

    int32_t OpenKeyEx(uint32_t, const std::string& path, uint32_t, uint32_t,
                      uint32_t& key) override {
        if (!keys.contains(path)) {
            return 2;
        }
        key = nextHandle++;
        openKeys[key] = path;
        return 0;
    }
    int32_t QueryValueEx(uint32_t key, const std::string& name, uint32_t& type, uint8_t* data,
                         uint32_t& size) override {
        auto& values = keys[openKeys.at(key)];
        if (!values.contains(name)) {
            return 2;
        }
        const auto& v = values[name];
        type = v.type;
        if (data != nullptr) {
            std::copy_n(v.bytes.begin(), std::min<size_t>(size, v.bytes.size()), data);
        }
        size = static_cast<uint32_t>(v.bytes.size());
        return 0;
    }
    int32_t SetValueEx(uint32_t key, const std::string& name, uint32_t type, const uint8_t* data,
                       uint32_t size) override {
        keys[openKeys.at(key)][name] = {type, std::vector<uint8_t>(data, data + size)};
        return 0;
    }
    int32_t CloseKey(uint32_t key) override { return openKeys.erase(key) == 1 ? 0 : 6; }

    std::map<std::string, std::map<std::string, StoredValue>> keys;
    std::map<uint32_t, std::string> openKeys;
    uint32_t nextHandle = 100;
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
        std::vector<StoredValue> before; // none: no key
        std::vector<StoredValue> afterRun;
        int runs;
        size_t messages;
        StoredValue after;
    } cases[] = {
        {"automatic already", {Number(2)}, {}, 0, 0, Number(2)},
        {"automatic, as text", {{REG_SZ, {'2', 0}}}, {}, 0, 0, {REG_SZ, {'2', 0}}},
        {"fresh install on demand", {}, {Number(3)}, 1, 0, Number(2)},
        {"disabled stays so", {Number(4)}, {Number(4)}, 1, 1, Number(4)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempWorkDir work;
        FakeFrontend ui;
        FakeRegistry registry;
        FakeRunner runner;
        if (!c.before.empty()) {
            registry.keys[kKey]["Start"] = c.before[0];
        }
        runner.installer = [&] {
            if (!c.afterRun.empty()) {
                registry.keys[kKey]["Start"] = c.afterRun[0];
            }
        };
        InstallGiveio();
        EXPECT_EQ(runner.runs, c.runs);
        EXPECT_EQ(ui.messages.size(), c.messages);
        const auto& start = registry.keys[kKey]["Start"];
        EXPECT_EQ(start.type, c.after.type);
        EXPECT_EQ(start.bytes, c.after.bytes);
        EXPECT_TRUE(registry.openKeys.empty()); // every key opened is closed again
    }
}
