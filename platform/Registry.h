// The system's configuration database (the registry of the NT family), at the level of its
// own calls, so that the driver-install sequence can be tested with a fake.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline constexpr uint32_t REG_SZ = 1;
inline constexpr uint32_t REG_DWORD = 4;
inline constexpr uint32_t KEY_QUERY_VALUE = 0x0001;
inline constexpr uint32_t KEY_SET_VALUE = 0x0002;
inline constexpr uint32_t kHkeyLocalMachine = 0x80000002;
inline constexpr int32_t kRegistrySuccess = 0;

class Registry {
public:
    virtual ~Registry() = default;
    // Status codes are the system's: 0 is success.
    virtual int32_t OpenKeyEx(uint32_t root, const std::string& path, uint32_t options,
                              uint32_t access, uint32_t& key) = 0;
    // With data null, only type and size are reported; otherwise up to size bytes are read
    // and size becomes the bytes stored.
    virtual int32_t QueryValueEx(uint32_t key, const std::string& name, uint32_t& type,
                                 uint8_t* data, uint32_t& size) = 0;
    virtual int32_t SetValueEx(uint32_t key, const std::string& name, uint32_t type,
                               const uint8_t* data, uint32_t size) = 0;
    virtual int32_t CloseKey(uint32_t key) = 0;
};

// The system's registry by default (none on Linux: every call fails); nullptr restores it.
Registry* InstalledRegistry();
void InstallRegistry(Registry* registry);
