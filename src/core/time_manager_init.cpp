// CTimeManager: start-up and shutdown on the window thread, and the
// configuration it starts from.
#include <cstring>

#include "core/time_manager.h"
#include "platform/clock.h"
#include "platform/com.h"
#include "platform/folders.h"
#include "platform/path.h"
#include "platform/private_file.h"
#include "platform/processes.h"
#include "sensing/user.h"

namespace {
constexpr char kInit[] = "CTimeManager::Init";
constexpr char kDeinit[] = "CTimeManager::Deinit";
constexpr char kLoadConfiguration[] = "CTimeManager::LoadConfiguration";
// Init waits this long after COM is up before it reads the configuration.
constexpr uint32_t kInitPauseMs = 500;
constexpr int kConfigurationFailed = -320;
}  // namespace

int CTimeManager::LoadConfiguration() {
    const int loaded = m_configuration.Load();
    if (loaded != 1) {
        // The settings are wrong, but the logs folder does not depend on
        // them: the error log names the setting to repair.
        const char* logs = m_configuration.GetLogsFolder();
        if (logs && Folders().CreateDirectory(m_configuration.GetDataFolder()) == 1 &&
            Folders().CreateDirectory(logs) == 1) {
            SetLogFiles(LOG_INFO | LOG_ERROR, logs, static_cast<int>(std::strlen(logs)) + 1);
            LogError("%s (%i) %s", kLoadConfiguration, 1, m_configuration.GetFailureText());
        }
        return loaded;
    }
    LogInfo(1, "Configuration was loaded & QLO started");
    return 1;
}

int CTimeManager::CreateFolders() { return m_configuration.CreateFolders(); }

void CTimeManager::KeepDataFolderPrivate() {
    // The data folder holds every title and address seen: a folder left
    // readable by others (an older release, a copy, a restored backup) is
    // repaired before the databases open, and said once, when it happens.
    const char* folder = m_configuration.GetDataFolder();
    int repaired = 0;
    if (RestrictFolderToOwner(folder, repaired) != 1)
        LogError("%s (%i) the data folder %s cannot be made private to this user: other users may read what it holds",
                 kInit, 9, folder);
    else if (repaired > 0)
        LogInfo(
            1,
            "%s the data folder %s was open to other users: %i of its files and folders were made private to this user",
            kInit, folder, repaired);
}

int CTimeManager::Init(WindowHandle window) {
    // Until the level and the log folder are set below, these lines go nowhere.
    LogInfo(1, "%s started", kInit);
    if (!window) {
        LogError("%s (%i) hWnd = NULL", kInit, 1);
        return 0;
    }
    m_hWnd = window;

    const long com = InitializeCom();
    if (com != 0) LogError("%s (%i) CoInitialize() = %li", kInit, 2, com);
    Clock().Sleep(kInitPauseMs);

    if (LoadConfiguration() != 1) return kConfigurationFailed;
    SetLevel(static_cast<int>(m_configuration.GetCollectorLogLevel()));
    CreateFolders();
    m_dbManager.SetPath(m_configuration.GetDbFolderUtf8(), -1);
    m_checkpoint.SetFolder(m_configuration.GetDbFolder(), kPathSeparator);
    m_pauseFile.SetFolder(m_configuration.GetDbFolder(), kPathSeparator);
    m_expiry.SetFolder(m_configuration.GetDbFolder(), kPathSeparator);
    const char* logs = m_configuration.GetLogsFolder();
    SetLogFiles(LOG_INFO | LOG_ERROR, logs, static_cast<int>(std::strlen(logs)) + 1);
    KeepDataFolderPrivate();

    int result = m_dbManager.Initialization();
    if (result != 1) {
        LogError("%s (%i) Initialization() = %i", kInit, 3, result);
        return result;
    }
    if (m_configuration.GetFirstStart() > 0) {
        result = ProcessFirstStart();
        if (result != 1) LogError("%s (%i) ProcessFirstStart() = %i", kInit, 4, result);
    }
    // Without rules or a default task the collector still tracks (every
    // activity then gets the default task, or none): the user and the
    // session notifications below are needed all the same.
    int outcome = 1;
    result = UpdateRules();
    if (result != 1) {
        LogError("%s (%i) UpdateRules() = %i", kInit, 5, result);
        outcome = result;
    }
    result = GetDefaultTask();
    if (result != 1) {
        LogError("%s (%i) GetDefaultTask() = %i", kInit, 6, result);
        if (outcome == 1) outcome = result;
    }

    // The account that runs the collector becomes the user of every capture.
    CWinActivity self;
    result = self.GetProcessUser(Processes().GetCurrentProcessId(), g_currentUser);
    if (result != 1) LogError("%s (%i) CurrentUser() = %i", kInit, 7, result);

    uint32_t error = 0;
    if (!RegisterSessionNotification(m_hWnd, error))
        LogError("%s (%i) WTSRSN() failed with %d", kInit, 8, static_cast<int>(error));
    LogInfo(1, "%s finished", kInit);
    return outcome;
}

int CTimeManager::Deinit() {
    LogInfo(1, "%s started", kDeinit);
    if (m_hWnd) {
        uint32_t error = 0;
        if (!UnregisterSessionNotification(m_hWnd, error))
            LogError("%s (%i) WTSURSN() failed with %d", kDeinit, 1, static_cast<int>(error));
        m_hWnd = 0;
    }
    UninitializeCom();
    LogInfo(1, "%s finished", kDeinit);
    return 1;
}
