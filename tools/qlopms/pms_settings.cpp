#include "qlopms/pms_settings.h"

#include <cstring>

#include "core/time_manager_configuration.h"
#include "log/working_directory.h"

namespace {
constexpr char kWorkFolderName[] = "PMS";

// The narrow text of a binary setting: its bytes up to the first zero byte.
std::string TextOfBytes(const uint8_t* bytes, size_t size) {
    const char* text = reinterpret_cast<const char*>(bytes);
    return std::string(text, strnlen(text, size));
}
}  // namespace

int LoadPmsSettings(CPmsSettings& out, std::string& error) {
    CTimeManagerConfiguration configuration;
    const int loaded = configuration.Load();
    if (loaded != 1) {
        error = loaded == -401 || loaded == -402
                    ? "the collector's settings are missing (\"Path\" of SOFTWARE\\Belvane\\Orvanta)"
                    : "the collector's settings cannot be read (result " + std::to_string(loaded) + ")";
        return loaded;
    }
    // The folders may not exist yet when no collector has run here.
    configuration.CreateFolders();
    CWorkingDirectory work;
    if (work.SetPath(configuration.GetDataFolder(), 0, kWorkFolderName) != 1) {
        error = "the connector's folder cannot be named";
        return 0;
    }
    out.serverUrl = configuration.GetPmsServerUrl();
    out.userName = TextOfBytes(configuration.GetPmsUsername(), CTimeManagerConfiguration::kPmsUsernameSize);
    out.storedPassword = TextOfBytes(configuration.GetPmsPassword(), CTimeManagerConfiguration::kPmsPasswordSize);
    out.workFolder = work.GetPath();
    out.dbFolderUtf8 = configuration.GetDbFolderUtf8();
    out.worklogNotification = configuration.GetWorklogNotification();
    out.worklogNotificationTime = configuration.GetWorklogNotificationTime();
    return 1;
}

void ApplyCommandLine(const CPmsCommandLine& line, CPmsSettings& settings) {
    if (!line.server.empty() && line.server != settings.serverUrl) {
        settings.serverUrl = line.server;
        settings.storedPassword.clear();
    }
    if (!line.user.empty() && line.user != settings.userName) {
        settings.userName = line.user;
        settings.storedPassword.clear();
    }
    if (!line.caFile.empty()) settings.caFile = line.caFile;
}

int ResolvePassword(const CPmsSettings& settings, const char* environment,
                    const std::function<bool(std::string&)>& prompt, std::string& password, std::string& error) {
    if (!settings.storedPassword.empty()) {
        password = settings.storedPassword;
        return 1;
    }
    if (environment && *environment) {
        password = environment;
        return 1;
    }
    if (prompt && prompt(password)) return 1;
    error =
        "no password: none is stored for this server and user, QLO_JIRA_PASSWORD is not set, and there is "
        "no terminal to ask on";
    return 0;
}
