// The registry of the Linux target: a file in the Registry Editor export
// format (platform/registry_file.h). The file is read afresh for every query,
// as Windows opens and closes the key for every value, so an edited file is
// seen by the next read without a cache to go stale.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/registry.h"
#include "platform/registry_file.h"

namespace {
// Far above any settings file; a larger one is not read at all.
constexpr size_t kMaxFileSize = 4 * 1024 * 1024;

// $QLO_REGISTRY_FILE, else ${XDG_CONFIG_HOME:-$HOME/.config}/Belvane/Orvanta/registry.reg;
// "" when neither HOME nor an absolute XDG_CONFIG_HOME is set.
std::string RegistryFilePath() {
    const char* file = std::getenv("QLO_REGISTRY_FILE");
    if (file && *file) return file;
    std::string base;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) return {};
        base = std::string(home) + "/.config";
    }
    return base + "/Belvane/Orvanta/registry.reg";
}

bool ReadWholeFile(const std::string& path, std::string& content) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    char chunk[4096];
    bool ok = true;
    for (;;) {
        const size_t got = std::fread(chunk, 1, sizeof(chunk), file);
        content.append(chunk, got);
        if (content.size() > kMaxFileSize) ok = false;
        if (got < sizeof(chunk) || !ok) break;
    }
    if (std::ferror(file)) ok = false;
    std::fclose(file);
    return ok;
}

class CFileRegistry : public CRegistryService {
public:
    int QueryValue(RegistryRoot root, const char* keyPath, const char* valueName, void* data, uint32_t& size,
                   uint32_t& type) override {
        if (root != REGISTRY_LOCAL_MACHINE || !keyPath || !valueName) return -401;
        try {
            const std::string path = RegistryFilePath();
            std::string content;
            CRegistryFile file;
            if (path.empty() || !ReadWholeFile(path, content) || file.Parse(content.data(), content.size()) != 1)
                return -401;
            const std::string key = std::string("HKEY_LOCAL_MACHINE\\") + keyPath;
            if (!file.HasKey(key)) return -401;
            const CRegistryFile::Value* value = file.FindValue(key, valueName);
            if (!value || value->data.size() > size) return -402;
            if (!value->data.empty()) std::memcpy(data, value->data.data(), value->data.size());
            size = static_cast<uint32_t>(value->data.size());
            type = value->type;
            return 1;
        } catch (...) {
            return -401;  // out of memory while reading: as unreadable as a missing file
        }
    }

    std::string DescribeKey(RegistryRoot, const char* keyPath) override {
        const std::string path = RegistryFilePath();
        return std::string("[HKEY_LOCAL_MACHINE\\") + (keyPath ? keyPath : "") + "] of " +
               (path.empty() ? std::string("the settings file (none: neither QLO_REGISTRY_FILE nor HOME is set)")
                             : path);
    }
};
}  // namespace

CRegistryService& SystemRegistry() {
    static CFileRegistry registry;
    return registry;
}
