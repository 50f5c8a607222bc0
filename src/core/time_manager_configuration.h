#pragma once
// The collector's settings, read once at start from the registry key that the
// product's installer and desktop application maintain, and the working
// folders derived from them.
//
// Registry, HKEY_LOCAL_MACHINE, read only. "SOFTWARE\Belvane\Orvanta":
// "Path" (the installation folder; required), "Language", "Version", "PMS",
// "QLOCollector Log Level", "QLO Log Level", "Hide To Tray", "First Start".
// "SOFTWARE\Belvane\Orvanta\PMS": "JIRA Server URL", "JIRA Username",
// "JIRA Password", "Worklog notification", "Worklog notification time".
// The collector itself uses the install folder, its log level and the
// first-start switch; the other values are kept for the rest of the product.
// "SOFTWARE\Belvane\Orvanta\Privacy" holds the private programs, sites and
// titles, read by the time manager with its rules (privacy_settings.h).
//
// Folders: <application data>\Orvanta, its "Logs" (holding "Archive") and its
// "DB". The data and database folders are held twice: in the narrow text of
// the system's calls (the ANSI code page on Windows) for the logs and for
// creating folders, and in UTF-8 for the database files, whose names SQLite
// takes in UTF-8. On Linux both forms are the same text.
//
// Not thread-safe: loaded once before the worker thread starts, read-only
// afterwards.

#include <cstdint>
#include <string>

#include "log/working_directory.h"

enum Language : int32_t { LANGUAGE_EN = 0, LANGUAGE_UA = 1, LANGUAGE_RU = 2 };

class CTimeManagerConfiguration {
public:
    static constexpr int kPmsServerUrlSize = 512;
    static constexpr int kPmsUsernameSize = 255;
    static constexpr int kPmsPasswordSize = 512;

    CTimeManagerConfiguration() { Reset(); }
    virtual ~CTimeManagerConfiguration() = default;

    // Every folder empty, every number 0 except "Hide To Tray" and "Worklog
    // notification" (1) and the worklog time (1750), every text and byte field zeroed.
    void Reset();

    // Derives the data folders, then reads the settings from the registry.
    // Results: 1 loaded; -401 or -402 "Path" (key or value) missing; 0 "Path"
    // names no existing folder, or the application-data folder cannot be
    // had; -4 out of memory. When only the settings fail, the data, logs,
    // archive and database folders are set all the same (the install folder
    // is not), and GetFailureText says which setting of which key or file
    // is wrong. Only "Path" is required: a missing value or key of the
    // others leaves an empty text, zeroed bytes or the number 0, replacing the
    // defaults of Reset. A worklog time above 23:59:59 becomes 18:00:00.
    int Load();

    // Creates, one level each and in this order, the install, data, logs,
    // archive and database folders. Always 1: a folder that cannot be made
    // shows up where it is used (the logs and databases report their own
    // failures).
    int CreateFolders();
    // Creates one folder level. 1 created or already there; 0 its parent is
    // missing, its path is empty or creation failed; -8 it has no path.
    static int CreateFolder(const CWorkingDirectory& folder);

    // Folders, or nullptr before a successful Load.
    const char* GetInstallFolder() const { return m_installFolder.GetPath(); }
    const char* GetDataFolder() const { return m_dataFolder.GetPath(); }
    const char* GetDataFolderUtf8() const { return m_dataFolderUtf8.GetPath(); }
    const char* GetLogsFolder() const { return m_logsFolder.GetPath(); }
    const char* GetArchiveFolder() const { return m_archiveFolder.GetPath(); }
    const char* GetDbFolderUtf8() const { return m_dbFolderUtf8.GetPath(); }
    const char* GetDbFolder() const { return m_dbFolder.GetPath(); }

    Language GetLanguage() const { return m_language; }
    double GetVersion() const { return m_version; }
    uint32_t GetPms() const { return m_pms; }
    // The level mask of the collector's information log.
    uint32_t GetCollectorLogLevel() const { return m_collectorLogLevel; }
    uint32_t GetAppLogLevel() const { return m_appLogLevel; }
    uint32_t GetHideToTray() const { return m_hideToTray; }
    // The server address, terminated (at most kPmsServerUrlSize - 1 characters).
    const char* GetPmsServerUrl() const { return m_pmsServerUrl; }
    // The bytes as stored, zero-filled to kPmsUsernameSize / kPmsPasswordSize.
    const uint8_t* GetPmsUsername() const { return m_pmsUsername; }
    const uint8_t* GetPmsPassword() const { return m_pmsPassword; }
    uint32_t GetWorklogNotification() const { return m_worklogNotification; }
    // A time of day packed as hhmmss.
    uint32_t GetWorklogNotificationTime() const { return m_worklogNotificationTime; }
    // Greater than 0: the catalogue is to be seeded at start.
    int32_t GetFirstStart() const { return m_firstStart; }
    // Why the last Load failed, for the user ("" after a success or Reset).
    const char* GetFailureText() const { return m_failure.c_str(); }

private:
    int SetDataFolders();
    int ReadSettings();

    CWorkingDirectory m_installFolder;
    CWorkingDirectory m_dataFolder;
    CWorkingDirectory m_dataFolderUtf8;
    CWorkingDirectory m_logsFolder;
    CWorkingDirectory m_archiveFolder;
    CWorkingDirectory m_dbFolderUtf8;
    CWorkingDirectory m_dbFolder;
    Language m_language;
    double m_version;
    uint32_t m_pms;
    uint32_t m_collectorLogLevel;
    uint32_t m_appLogLevel;
    uint32_t m_hideToTray;
    char m_pmsServerUrl[kPmsServerUrlSize];
    uint8_t m_pmsUsername[kPmsUsernameSize];
    uint8_t m_pmsPassword[kPmsPasswordSize];
    uint32_t m_worklogNotification;
    uint32_t m_worklogNotificationTime;
    int32_t m_firstStart;
    std::string m_failure;
};
