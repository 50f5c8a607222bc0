// The browser host's manifests on Linux: files in the browsers' folders of
// the user.
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "control/browser_host_identity.h"
#include "qloctl/browser_host_install.h"

namespace fs = std::filesystem;

namespace {
struct CBrowserFolder {
    const char* browser;
    bool firefox;
    bool underConfig;      // under ${XDG_CONFIG_HOME:-~/.config}, else under the home folder
    const char* relative;  // the manifests' folder
};

constexpr CBrowserFolder kFolders[] = {
    {"Firefox", true, false, ".mozilla/native-messaging-hosts"},
    {"Chromium", false, true, "chromium/NativeMessagingHosts"},
    {"Chrome", false, true, "google-chrome/NativeMessagingHosts"},
    {"Edge", false, true, "microsoft-edge/NativeMessagingHosts"},
};

fs::path Home() {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return home;
    const passwd* account = getpwuid(getuid());
    return account && account->pw_dir ? fs::path(account->pw_dir) : fs::path();
}

fs::path ConfigHome(const fs::path& home) {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    return config && config[0] == '/' ? fs::path(config) : home / ".config";
}

// The manifest files, one per browser, in the order of kFolders; empty when
// there is no home folder.
bool ManifestFiles(fs::path (&files)[std::size(kFolders)], std::string& message) {
    const fs::path home = Home();
    if (home.empty()) {
        message = "no home folder: set HOME";
        return false;
    }
    const std::string name = std::string(kBrowserHostName) + ".json";
    for (size_t i = 0; i < std::size(kFolders); ++i)
        files[i] = (kFolders[i].underConfig ? ConfigHome(home) : home) / kFolders[i].relative / name;
    return true;
}

// Writes the whole file or nothing: a file beside it, then renamed over it.
bool WriteWhole(const fs::path& file, const std::string& text) {
    std::error_code error;
    fs::create_directories(file.parent_path(), error);
    const fs::path partial = file.string() + ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        if (!(out << text) || !out.flush()) return false;
    }
    fs::rename(partial, file, error);
    if (error) fs::remove(partial, error);
    return !error;
}
}  // namespace

int InstallBrowserHost(std::string& message) {
    std::error_code error;
    const fs::path host = fs::read_symlink("/proc/self/exe", error).parent_path() / "qlo-browser-host";
    if (error || access(host.c_str(), X_OK) != 0) {
        message = "the browser host " + host.string() + " is missing";
        return 1;
    }
    fs::path files[std::size(kFolders)];
    if (!ManifestFiles(files, message)) return 1;
    message = "the browser host " + host.string() + " is installed for";
    for (size_t i = 0; i < std::size(kFolders); ++i) {
        if (!WriteWhole(files[i], BrowserHostManifest(host.string(), kFolders[i].firefox))) {
            message = "cannot write " + files[i].string();
            return 1;
        }
        message += std::string("\n  ") + kFolders[i].browser + ": " + files[i].string();
    }
    return 0;
}

int UninstallBrowserHost(std::string& message) {
    fs::path files[std::size(kFolders)];
    if (!ManifestFiles(files, message)) return 1;
    for (const fs::path& file : files) {
        std::error_code error;
        fs::remove(file, error);
        if (error) {
            message = "cannot remove " + file.string() + ": " + error.message();
            return 1;
        }
    }
    message = "the browser host's manifests are removed";
    return 0;
}
