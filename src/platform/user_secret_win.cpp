#include <windows.h>
// After windows.h:
#include <wincrypt.h>

#include <cstring>
#include <vector>

#include "platform/user_secret.h"

namespace {
constexpr DWORD kMaxSecretBytes = 4096;

// The value `name` of `root`\`path`: its type and bytes. False when missing.
bool ReadValue(HKEY root, const char* path, const char* name, DWORD& type, std::vector<BYTE>& data) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    data.resize(kMaxSecretBytes);
    DWORD size = kMaxSecretBytes;
    const bool read = RegQueryValueExA(key, name, nullptr, &type, data.data(), &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    data.resize(read ? size : 0);
    return read;
}

// A text value's characters, without the terminator; "" when not text.
std::string TextOf(DWORD type, const std::vector<BYTE>& data) {
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
    const char* text = reinterpret_cast<const char*>(data.data());
    return std::string(text, strnlen(text, data.size()));
}

// Protects `secret` for this user and writes it as `name` of
// HKEY_CURRENT_USER\`path`.
bool StoreProtected(const char* path, const char* name, const std::string& secret) {
    DATA_BLOB plain{static_cast<DWORD>(secret.size()), reinterpret_cast<BYTE*>(const_cast<char*>(secret.data()))};
    DATA_BLOB sealed{};
    if (!CryptProtectData(&plain, L"setting", nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &sealed))
        return false;
    HKEY key = nullptr;
    bool stored = RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                                  &key, nullptr) == ERROR_SUCCESS;
    if (stored) {
        stored = RegSetValueExA(key, name, 0, REG_BINARY, sealed.pbData, sealed.cbData) == ERROR_SUCCESS;
        RegCloseKey(key);
    }
    LocalFree(sealed.pbData);
    return stored;
}

bool Unprotect(const std::vector<BYTE>& data, std::string& secret) {
    DATA_BLOB sealed{static_cast<DWORD>(data.size()), const_cast<BYTE*>(data.data())};
    DATA_BLOB plain{};
    if (!CryptUnprotectData(&sealed, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &plain))
        return false;
    secret.assign(reinterpret_cast<const char*>(plain.pbData), plain.cbData);
    SecureZeroMemory(plain.pbData, plain.cbData);
    LocalFree(plain.pbData);
    return true;
}

bool DeleteMachineValue(const char* path, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return false;
    const LONG deleted = RegDeleteValueA(key, name);
    RegCloseKey(key);
    return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
}
}  // namespace

int ReadUserSecret(const char* keyPath, const char* name, std::string& secret, std::string& notice) {
    secret.clear();
    notice.clear();
    if (!keyPath || !name) return 0;
    const std::string machineKey = std::string("HKEY_LOCAL_MACHINE\\") + keyPath;
    const std::string userKey = std::string("HKEY_CURRENT_USER\\") + keyPath;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    // A text in the place every user reads, else one typed into the user's
    // own key: both are moved into the protected value.
    std::string text;
    const bool inMachine =
        ReadValue(HKEY_LOCAL_MACHINE, keyPath, name, type, data) && !(text = TextOf(type, data)).empty();
    if (!inMachine && ReadValue(HKEY_CURRENT_USER, keyPath, name, type, data)) {
        if (type == REG_BINARY) return Unprotect(data, secret) && !secret.empty() ? 1 : -1;
        text = TextOf(type, data);
    }
    if (text.empty()) return 0;
    secret = text;
    if (!StoreProtected(keyPath, name, text)) {
        notice =
            "\"" + std::string(name) + "\" could not be protected in " + userKey + ": it stays readable where it is";
        return 1;
    }
    if (!inMachine) return 1;
    if (DeleteMachineValue(keyPath, name))
        notice = "\"" + std::string(name) + "\" was moved from " + machineKey +
                 ", which every user of this computer can read, to " + userKey + ", protected for this user alone";
    else
        notice = "\"" + std::string(name) + "\" of " + machineKey +
                 " is readable by every user of this computer and removing it takes an administrator: this user's "
                 "protected copy in " +
                 userKey + " is kept, and an administrator should delete the value there";
    return 1;
}
