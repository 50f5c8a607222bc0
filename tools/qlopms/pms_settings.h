#pragma once
// What qlopms works with: the JIRA server, user and password, the folders of
// the collector, and the worklog reminder.
//
// The settings are those the collector reads (CTimeManagerConfiguration):
// "SOFTWARE\Belvane\Orvanta" for the folders and "SOFTWARE\Belvane\Orvanta\PMS"
// for "JIRA Server URL", "JIRA Username" and "JIRA Password" (binary values:
// their bytes up to the first zero byte are the narrow text) and the worklog
// reminder values. The command line may name another server or user; the
// password never comes from it.
//
// Not thread-safe; plain values.

#include <cstdint>
#include <functional>
#include <string>

#include "qlopms/qlopms_command.h"

struct CPmsSettings {
    std::string serverUrl;
    std::string userName;
    std::string storedPassword;  // "JIRA Password"; belongs to the configured server and user only
    std::string caFile;          // empty: the system's authorities
    std::string workFolder;      // the connector's folder: cookie and response files (narrow text)
    std::string dbFolderUtf8;    // the collector's databases (UTF-8)
    uint32_t worklogNotification = 0;
    uint32_t worklogNotificationTime = 0;  // hhmmss
    // The connector's time limits (seconds); tests shorten them.
    long connectLimit = 10;
    long stallLimit = 60;
};

// Loads the collector's configuration from the registry (or the Linux
// registry file) into `out`: 1; otherwise the configuration's result (-401,
// -402: "Path" missing; 0: its folder does not exist), with `error` saying so.
// The connector's folder is the data folder's "PMS".
int LoadPmsSettings(CPmsSettings& out, std::string& error);

// Applies --server, --user and --ca-file. A server or user other than the
// configured one drops the stored password, which belongs to those.
void ApplyCommandLine(const CPmsCommandLine& line, CPmsSettings& settings);

// The password for the session: the stored one when there is one, else
// `environment` (the value of QLO_JIRA_PASSWORD, or nullptr), else what
// `prompt` reads (false: none could be read). 1; 0 none, with `error` saying
// where a password can come from.
int ResolvePassword(const CPmsSettings& settings, const char* environment,
                    const std::function<bool(std::string&)>& prompt, std::string& password, std::string& error);
