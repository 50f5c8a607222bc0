#pragma once
// The registry service: read-only access to the settings the product's
// installer and desktop application maintain.
//
// Windows: HKEY_LOCAL_MACHINE through RegOpenKeyExA / RegQueryValueExA (the
// 32-bit view). Linux: a text file in the Registry Editor export format
// ("Windows Registry Editor Version 5.00"), found at $QLO_REGISTRY_FILE, else
// ${XDG_CONFIG_HOME:-$HOME/.config}/Belvane/Orvanta/registry.reg; a missing
// or malformed file reads as missing keys.

#include <cstdint>
#include <string>

enum RegistryRoot : int { REGISTRY_LOCAL_MACHINE = 1 };

// Value types, numbered as the Windows registry numbers them.
enum RegistryType : uint32_t {
    REGISTRY_TYPE_NONE = 0,
    REGISTRY_TYPE_STRING = 1,  // REG_SZ: text with its terminator
    REGISTRY_TYPE_BINARY = 3,  // REG_BINARY
    REGISTRY_TYPE_DWORD = 4,   // REG_DWORD: 4 bytes, little-endian
};

class CRegistryService {
public:
    virtual ~CRegistryService() = default;

    // Opens `keyPath` under `root` for querying and reads `valueName` into
    // `data`, whose capacity is `size` bytes. On success `size` holds the
    // number of bytes stored (a string's terminator included, when the value
    // has one) and `type` the value's type; strings are narrow text.
    // Results: 1 read; -401 the key cannot be opened (missing, or an unknown
    // root); -402 the value cannot be read (missing, or larger than `size`).
    // A key exists as soon as a key below it does.
    virtual int QueryValue(RegistryRoot root, const char* keyPath, const char* valueName, void* data, uint32_t& size,
                           uint32_t& type) = 0;
    // Where the values of `keyPath` under `root` are kept, for messages that
    // must tell the user what to repair: the key's full name, and on Linux
    // the file that holds it.
    virtual std::string DescribeKey(RegistryRoot root, const char* keyPath) = 0;
};

CRegistryService& Registry();
CRegistryService* SetRegistry(CRegistryService* registry);
