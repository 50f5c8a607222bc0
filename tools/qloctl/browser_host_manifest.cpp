#include <nlohmann/json.hpp>

#include "control/browser_host_identity.h"
#include "qloctl/browser_host_install.h"

std::string BrowserHostManifest(const std::string& hostPath, bool firefox) {
    nlohmann::json manifest = {
        {"name", kBrowserHostName},
        {"description", kBrowserHostDescription},
        {"path", hostPath},
        {"type", "stdio"},
    };
    if (firefox)
        manifest["allowed_extensions"] = {kFirefoxExtensionId};
    else
        manifest["allowed_origins"] = {kChromiumExtensionOrigin};
    return manifest.dump(2) + "\n";
}
