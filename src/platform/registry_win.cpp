// The registry of the Windows target: HKEY_LOCAL_MACHINE, read only. Every
// query opens the key with query access, reads the one value and closes it.
#include <windows.h>

#include "platform/registry.h"

namespace {
class CWindowsRegistry : public CRegistryService {
public:
    int QueryValue(RegistryRoot root, const char* keyPath, const char* valueName, void* data, uint32_t& size,
                   uint32_t& type) override {
        if (root != REGISTRY_LOCAL_MACHINE || !keyPath || !valueName) return -401;
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return -401;
        DWORD valueType = REG_NONE;
        DWORD valueSize = size;
        const LONG status = RegQueryValueExA(key, valueName, nullptr, &valueType, static_cast<BYTE*>(data), &valueSize);
        RegCloseKey(key);
        if (status != ERROR_SUCCESS) return -402;  // missing, or larger than the buffer (ERROR_MORE_DATA)
        size = valueSize;
        type = valueType;
        return 1;
    }

    std::string DescribeKey(RegistryRoot, const char* keyPath) override {
        return std::string("HKEY_LOCAL_MACHINE\\") + (keyPath ? keyPath : "");
    }
};
}  // namespace

CRegistryService& SystemRegistry() {
    static CWindowsRegistry registry;
    return registry;
}
