#include "interfaces/SetupGiveIO.h"
#include "platform/ProcessRunner.h"
#include "platform/Registry.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/TempDir.h"

#include <functional>
#include <map>
#include <tuple>

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

    int32_t OpenKeyEx(uint32_t root, const std::string& path, uint32_t, uint32_t access,
                      uint32_t& key) override {
        opens.push_back({root, path, access});
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
            if (failSecondRead) {
                return 5;
            }
            std::copy_n(v.bytes.begin(), std::min<size_t>(size, v.bytes.size()), data);
        }
        size = static_cast<uint32_t>(v.bytes.size());
        return 0;
    }
    int32_t SetValueEx(uint32_t key, const std::string& name, uint32_t type, const uint8_t* data,
                       uint32_t size) override {
        keys[openKeys.at(key)][name] = {type, std::vector<uint8_t>(data, data + size)};
        ++writes;
        return 0;
    }
    int32_t CloseKey(uint32_t key) override { return openKeys.erase(key) == 1 ? 0 : 6; }

    void SetNumber(uint32_t n) { keys[kKey]["Start"] = {REG_DWORD, {uint8_t(n), 0, 0, 0}}; }

    std::map<std::string, std::map<std::string, StoredValue>> keys;
    std::map<uint32_t, std::string> openKeys;
    std::vector<std::tuple<uint32_t, std::string, uint32_t>> opens; // root, path, access
    uint32_t nextHandle = 100;
    int writes = 0;
    bool failSecondRead = false;
};

class FakeRunner : public ProcessRunner {
public:
    FakeRunner() { InstallProcessRunner(this); }
    ~FakeRunner() override { InstallProcessRunner(nullptr); }

    bool CreateProcess(const std::string& commandLine, bool, uint32_t, uint32_t,
                       ProcessHandles& handles) override {
        calls.push_back("create " + commandLine);
        if (!starts) {
            return false;
        }
        handles = {7, 8};
        if (installer) {
            installer();
        }
        return true;
    }
    uint32_t WaitForSingleObject(intptr_t handle, uint32_t ms) override {
        calls.push_back("wait " + std::to_string(handle) + " " + std::to_string(ms));
        return 0;
    }
    bool GetExitCodeProcess(intptr_t process, uint32_t& code) override {
        calls.push_back("exitcode " + std::to_string(process));
        code = 3;
        return process != 0;
    }
    bool CloseHandle(intptr_t handle) override {
        calls.push_back("close " + std::to_string(handle));
        return true;
    }
    std::string ProgramDirectory() override { return "."; }

    std::vector<std::string> calls;
    std::function<void()> installer;
    bool starts = true;
};

class GiveioTest : public AppStateTest {
protected:
    std::string Batch() const { return work.Read(".\\temp.bat"); }

    TempWorkDir work;
    FakeFrontend ui;
    FakeRegistry registry;
    FakeRunner runner;
};

} // namespace

TEST_F(GiveioTest, InstalledDoesNothingAndFailedIsReported) {
    for (bool asText : {false, true}) {
        asText ? void(registry.keys[kKey]["Start"] = {REG_SZ, {'2', 0}}) : registry.SetNumber(2);
        InstallGiveio();
        EXPECT_TRUE(runner.calls.empty() && ui.messages.empty() && Batch().empty());
    }
    // Read with query access only, and every key opened is closed again.
    EXPECT_EQ(registry.opens[0], std::tuple(kHkeyLocalMachine, std::string(kKey), KEY_QUERY_VALUE));
    EXPECT_TRUE(registry.openKeys.empty());

    // Any other start type: the install failed, and the value is left alone.
    registry.SetNumber(4);
    InstallGiveio();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title + ": " + ui.messages[0].text,
              "Error: The required I/O drivers could not be installed.");
    EXPECT_EQ(registry.writes, 0);

    // A process that cannot start goes unreported until the start type says so.
    ui.messages.clear();
    runner.calls.clear();
    runner.starts = false;
    registry.keys.clear();
    InstallGiveio();
    EXPECT_EQ(runner.calls.front(), "create \".\\temp.bat\"");
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(GiveioTest, FreshInstallIsSwitchedToAutomaticStart) {
    // No key at all: the installer creates the service, starting on demand.
    runner.installer = [this] { registry.SetNumber(3); };
    InstallGiveio();
    EXPECT_EQ(Batch(), "\".\\instdrv2\" giveio remove\r\n"
                       "\".\\instdrv2\" giveio \".\\Giveio.sys\"\r\n");
    EXPECT_EQ(runner.calls, (std::vector<std::string>{"create \".\\temp.bat\"", "wait 7 4294967295",
                                                      "exitcode 7", "close 8", "close 7"}));
    EXPECT_TRUE(ui.messages.empty());
    const auto& start = registry.keys[kKey]["Start"];
    EXPECT_EQ(start.type, REG_DWORD);
    EXPECT_EQ(start.bytes, (std::vector<uint8_t>{2, 0, 0, 0}));
    EXPECT_EQ(std::get<2>(registry.opens.back()), KEY_SET_VALUE);
}

TEST_F(GiveioTest, RegistryValuesAsText) {
    EXPECT_EQ(ReadMachineValue("SYSTEM\\Nowhere", "Start"), "");
    registry.keys[kKey]["Name"] = {REG_SZ, {'a', 'b', 'c', 0}};
    registry.keys[kKey]["NoZero"] = {REG_SZ, {'1', '2'}};
    registry.keys[kKey]["Empty"] = {REG_SZ, {}};
    registry.keys[kKey]["Big"] = {REG_DWORD, {0x78, 0x56, 0x34, 0x12}};
    registry.keys[kKey]["Blob"] = {3, {1, 2}};
    EXPECT_EQ(ReadMachineValue(kKey, "Name"), "abc");
    EXPECT_EQ(ReadMachineValue(kKey, "NoZero"), "12"); // no terminator: nothing is cut
    EXPECT_EQ(ReadMachineValue(kKey, "Empty"), "");
    EXPECT_EQ(ReadMachineValue(kKey, "Big"), "305419896");
    EXPECT_EQ(ReadMachineValue(kKey, "Blob"), "");
    EXPECT_EQ(ReadMachineValue(kKey, "Missing"), "");
    registry.failSecondRead = true;
    EXPECT_EQ(ReadMachineValue(kKey, "Name"), "");

    // Writing text stores its terminating zero; a missing key is never created.
    WriteMachineValue(kKey, "Text", std::string("on"), REG_SZ);
    EXPECT_EQ(registry.keys[kKey]["Text"].bytes, (std::vector<uint8_t>{'o', 'n', 0}));
    WriteMachineValue("SYSTEM\\Nowhere", "Start", uint32_t{2}, REG_DWORD);
    EXPECT_FALSE(registry.keys.contains("SYSTEM\\Nowhere"));
    EXPECT_TRUE(registry.openKeys.empty());
}
