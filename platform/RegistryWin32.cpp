#include "platform/Registry.h"

#include <windows.h>

#include <map>

namespace {

// Key handles cross the interface as 32-bit numbers; this keeps the real ones behind them.
class Win32Registry final : public Registry {
public:
    int32_t OpenKeyEx(uint32_t root, const std::string& path, uint32_t options, uint32_t access,
                      uint32_t& key) override {
        HKEY rootKey = root == kHkeyLocalMachine ? HKEY_LOCAL_MACHINE : nullptr;
        HKEY opened = nullptr;
        const LONG status = RegOpenKeyExA(rootKey, path.c_str(), options, access, &opened);
        if (status == ERROR_SUCCESS) {
            key = next_++;
            keys_[key] = opened;
        }
        return status;
    }

    int32_t QueryValueEx(uint32_t key, const std::string& name, uint32_t& type, uint8_t* data,
                         uint32_t& size) override {
        const auto it = keys_.find(key);
        if (it == keys_.end()) {
            return ERROR_INVALID_HANDLE;
        }
        DWORD valueType = 0;
        DWORD valueSize = size;
        const LONG status =
            RegQueryValueExA(it->second, name.c_str(), nullptr, &valueType, data, &valueSize);
        type = valueType;
        size = valueSize;
        return status;
    }

    int32_t SetValueEx(uint32_t key, const std::string& name, uint32_t type, const uint8_t* data,
                       uint32_t size) override {
        const auto it = keys_.find(key);
        if (it == keys_.end()) {
            return ERROR_INVALID_HANDLE;
        }
        return RegSetValueExA(it->second, name.c_str(), 0, type, data, size);
    }

    int32_t CloseKey(uint32_t key) override {
        const auto it = keys_.find(key);
        if (it == keys_.end()) {
            return ERROR_INVALID_HANDLE;
        }
        const LONG status = RegCloseKey(it->second);
        keys_.erase(it);
        return status;
    }

private:
    std::map<uint32_t, HKEY> keys_;
    uint32_t next_ = 1;
};

} // namespace

Registry* SystemRegistryBackend() {
    static Win32Registry registry;
    return &registry;
}
