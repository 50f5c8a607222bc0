// The browser host's manifests on Windows: two files in the user's
// application-data folder, named by the browsers' per-user registry keys.
#include <windows.h>

#include <fstream>
#include <string>

#include "control/browser_host_identity.h"
#include "platform/folders.h"
#include "qloctl/browser_host_install.h"

namespace {
struct CBrowserKey {
    const char* browser;
    bool firefox;
    const char* key;  // under HKEY_CURRENT_USER, without the host's name
};

constexpr CBrowserKey kKeys[] = {
    {"Firefox", true, "Software\\Mozilla\\NativeMessagingHosts\\"},
    {"Chromium", false, "Software\\Chromium\\NativeMessagingHosts\\"},
    {"Chrome", false, "Software\\Google\\Chrome\\NativeMessagingHosts\\"},
    {"Edge", false, "Software\\Microsoft\\Edge\\NativeMessagingHosts\\"},
};

// %APPDATA%\Orvanta\BrowserHost, made when missing; "" when it cannot be.
std::string ManifestFolder() {
    char appData[MAX_PATH * 3];
    if (Folders().GetAppDataFolder(appData, sizeof(appData)) != 1) return {};
    std::string folder = std::string(appData) + "\\Orvanta";
    Folders().CreateDirectory(folder.c_str());
    folder += "\\BrowserHost";
    return Folders().CreateDirectory(folder.c_str()) == 1 ? folder : std::string();
}

std::string ManifestFile(const std::string& folder, bool firefox) {
    return folder + "\\" + kBrowserHostName + (firefox ? ".firefox.json" : ".chromium.json");
}

bool WriteFile(const std::string& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    return static_cast<bool>(out << text) && static_cast<bool>(out.flush());
}

bool SetDefaultValue(const std::string& key, const std::string& value) {
    HKEY opened = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const bool set = RegSetValueExA(opened, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                    static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(opened);
    return set;
}
}  // namespace

int InstallBrowserHost(std::string& message) {
    char self[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, self, sizeof(self));
    std::string host(self, length < sizeof(self) ? length : 0);
    host = host.substr(0, host.find_last_of('\\') + 1) + "qlo-browser-host.exe";
    if (length == 0 || GetFileAttributesA(host.c_str()) == INVALID_FILE_ATTRIBUTES) {
        message = "the browser host " + host + " is missing";
        return 1;
    }
    const std::string folder = ManifestFolder();
    if (folder.empty()) {
        message = "no application-data folder for the manifests";
        return 1;
    }
    for (bool firefox : {true, false}) {
        if (!WriteFile(ManifestFile(folder, firefox), BrowserHostManifest(host, firefox))) {
            message = "cannot write " + ManifestFile(folder, firefox);
            return 1;
        }
    }
    message = "the browser host " + host + " is installed for";
    for (const CBrowserKey& browser : kKeys) {
        const std::string key = browser.key + std::string(kBrowserHostName);
        if (!SetDefaultValue(key, ManifestFile(folder, browser.firefox))) {
            message = "cannot write the registry key HKEY_CURRENT_USER\\" + key;
            return 1;
        }
        message += std::string("\n  ") + browser.browser + ": HKEY_CURRENT_USER\\" + key + " -> " +
                   ManifestFile(folder, browser.firefox);
    }
    return 0;
}

int UninstallBrowserHost(std::string& message) {
    for (const CBrowserKey& browser : kKeys) {
        const std::string key = browser.key + std::string(kBrowserHostName);
        const LSTATUS removed = RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
        if (removed != ERROR_SUCCESS && removed != ERROR_FILE_NOT_FOUND) {
            message = "cannot remove the registry key HKEY_CURRENT_USER\\" + key;
            return 1;
        }
    }
    const std::string folder = ManifestFolder();
    for (bool firefox : {true, false})
        if (!folder.empty()) DeleteFileA(ManifestFile(folder, firefox).c_str());
    message = "the browser host's manifests are removed";
    return 0;
}
