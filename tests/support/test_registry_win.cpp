// The test registry of the Windows target: HKEY_LOCAL_MACHINE itself. The
// "SOFTWARE\Belvane" trees of HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER (where
// secrets are kept per user) found at construction are saved in memory,
// removed for the test and rebuilt at destruction.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/test_registry.h"

namespace {
const char kSoftware[] = "SOFTWARE";
const char kVendor[] = "Belvane";
const char kVendorPath[] = "SOFTWARE\\Belvane";

struct SavedValue {
    std::string name;
    DWORD type;
    std::vector<BYTE> data;
};

struct SavedKey {
    std::string name;
    std::vector<SavedValue> values;
    std::vector<SavedKey> subkeys;
};

// Reads the key `name` under `parent` with everything below it; false when
// it does not exist.
bool SaveTree(HKEY parent, const std::string& name, SavedKey& saved) {
    HKEY key;
    if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    saved.name = name;
    DWORD subkeys = 0, maxSubkey = 0, values = 0, maxName = 0, maxData = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &maxSubkey, nullptr, &values, &maxName, &maxData,
                     nullptr, nullptr);
    std::vector<char> nameBuffer(std::max(maxName, maxSubkey) + 2);
    for (DWORD i = 0; i < values; ++i) {
        SavedValue value;
        DWORD nameLength = static_cast<DWORD>(nameBuffer.size());
        DWORD dataLength = maxData;
        value.data.resize(maxData);
        if (RegEnumValueA(key, i, nameBuffer.data(), &nameLength, nullptr, &value.type, value.data.data(),
                          &dataLength) != ERROR_SUCCESS)
            continue;
        value.name.assign(nameBuffer.data(), nameLength);
        value.data.resize(dataLength);
        saved.values.push_back(std::move(value));
    }
    for (DWORD i = 0; i < subkeys; ++i) {
        DWORD nameLength = static_cast<DWORD>(nameBuffer.size());
        if (RegEnumKeyExA(key, i, nameBuffer.data(), &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            continue;
        SavedKey subkey;
        if (SaveTree(key, std::string(nameBuffer.data(), nameLength), subkey)) saved.subkeys.push_back(subkey);
    }
    RegCloseKey(key);
    return true;
}

void RestoreTree(HKEY parent, const SavedKey& saved) {
    HKEY key;
    if (RegCreateKeyExA(parent, saved.name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    for (const SavedValue& value : saved.values)
        RegSetValueExA(key, value.name.c_str(), 0, value.type, value.data.data(),
                       static_cast<DWORD>(value.data.size()));
    for (const SavedKey& subkey : saved.subkeys)
        RestoreTree(key, subkey);
    RegCloseKey(key);
}

bool SetValue(const char* path, const char* name, DWORD type, const void* data, size_t size) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const bool ok = !name || RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data),
                                            static_cast<DWORD>(size)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

const HKEY kRoots[] = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER};
}  // namespace

struct CTestRegistry::State {
    bool existed[2] = {};
    SavedKey saved[2];
};

CTestRegistry::CTestRegistry() : m_state(std::make_unique<State>()) {
    for (int root = 0; root < 2; ++root) {
        HKEY software;
        if (RegOpenKeyExA(kRoots[root], kSoftware, 0, KEY_READ, &software) == ERROR_SUCCESS) {
            m_state->existed[root] = SaveTree(software, kVendor, m_state->saved[root]);
            RegCloseKey(software);
        }
        RegDeleteTreeA(kRoots[root], kVendorPath);
    }
}

CTestRegistry::~CTestRegistry() {
    for (int root = 0; root < 2; ++root) {
        RegDeleteTreeA(kRoots[root], kVendorPath);
        HKEY software;
        if (!m_state->existed[root] ||
            RegOpenKeyExA(kRoots[root], kSoftware, 0, KEY_ALL_ACCESS, &software) != ERROR_SUCCESS)
            continue;
        RestoreTree(software, m_state->saved[root]);
        RegCloseKey(software);
    }
}

bool CTestRegistry::SetString(const char* key, const char* name, const std::string& text) {
    return SetValue(key, name, REG_SZ, text.c_str(), text.size() + 1);
}

bool CTestRegistry::SetNumber(const char* key, const char* name, uint32_t number) {
    const DWORD value = number;
    return SetValue(key, name, REG_DWORD, &value, sizeof(value));
}

bool CTestRegistry::SetBytes(const char* key, const char* name, const std::string& bytes) {
    return SetValue(key, name, REG_BINARY, bytes.data(), bytes.size());
}

bool CTestRegistry::CreateKey(const char* key) { return SetValue(key, nullptr, REG_NONE, nullptr, 0); }
