#include "core/time_manager_configuration.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

#include "core/registry_value.h"
#include "platform/folders.h"
#include "platform/text.h"

namespace {
const char kMainKey[] = "SOFTWARE\\Belvane\\Orvanta";
const char kPmsKey[] = "SOFTWARE\\Belvane\\Orvanta\\PMS";
const char kPathValue[] = "Path";

constexpr int kPathChars = 1024;
constexpr int kLongPathBytes = 1024;
constexpr int kLanguageChars = 32;
constexpr int kVersionChars = 64;
// The shell's folder paths hold at most 260 characters with the terminator.
constexpr int kAppDataBytes = 261;
// One ANSI character becomes at most three bytes of UTF-8, so the converted
// folder is never cut short.
constexpr int kAppDataUtf8Bytes = 3 * kAppDataBytes;

constexpr uint32_t kLatestTimeOfDay = 235959;
constexpr uint32_t kWorklogFallbackTime = 180000;

Language LanguageFromCode(const char* code) {
    auto is = [code](char first, char second) { return (code[0] | 0x20) == first && (code[1] | 0x20) == second; };
    if (!code[0] || !code[1]) return LANGUAGE_EN;
    if (is('u', 'a')) return LANGUAGE_UA;
    if (is('r', 'u')) return LANGUAGE_RU;
    return LANGUAGE_EN;  // "en" and everything else
}

// Prepares `value` afresh and reads one optional setting into it. The read's
// own result does not matter: a missing value leaves the buffer empty. The
// result is the preparation's.
int ReadOptional(const char* key, const char* name, RegistryValueKind kind, int size, CRegistryValue& value) {
    const int prepared = value.Prepare(kind, size);
    if (prepared == 1) ReadRegistryValue(REGISTRY_LOCAL_MACHINE, key, name, value);
    return prepared;
}

// A number needs no buffer of its own, so reading one cannot fail; a missing
// value reads as 0.
uint32_t ReadNumber(const char* key, const char* name) {
    CRegistryValue value;
    value.Prepare(REGISTRY_KIND_NUMBER);
    ReadRegistryValue(REGISTRY_LOCAL_MACHINE, key, name, value);
    return value.Number();
}

int ReadBytes(const char* key, const char* name, uint8_t* field, int fieldSize) {
    CRegistryValue value;
    const int result = ReadOptional(key, name, REGISTRY_KIND_BINARY, fieldSize, value);
    std::memset(field, 0, static_cast<size_t>(fieldSize));
    if (result == 1 && value.Length() > 0) std::memcpy(field, value.Bytes(), static_cast<size_t>(value.Length()));
    return result;
}
}  // namespace

void CTimeManagerConfiguration::Reset() {
    for (CWorkingDirectory* folder : {&m_installFolder, &m_dataFolder, &m_dataFolderUtf8, &m_logsFolder,
                                      &m_archiveFolder, &m_dbFolderUtf8, &m_dbFolder})
        folder->Clear();
    m_failure.clear();
    m_language = LANGUAGE_EN;
    m_version = 0.0;
    m_pms = 0;
    m_collectorLogLevel = 0;
    m_appLogLevel = 0;
    m_hideToTray = 1;
    std::memset(m_pmsServerUrl, 0, sizeof(m_pmsServerUrl));
    std::memset(m_pmsUsername, 0, sizeof(m_pmsUsername));
    std::memset(m_pmsPassword, 0, sizeof(m_pmsPassword));
    m_worklogNotification = 1;
    m_worklogNotificationTime = 1750;
    m_firstStart = 0;
}

int CTimeManagerConfiguration::Load() {
    m_failure.clear();
    // The data folders first: they do not depend on the settings, and with
    // them known the error log can say what is wrong with the settings.
    int result = SetDataFolders();
    if (result != 1) {
        m_failure = "the application-data folder cannot be found or made";
        return result;
    }
    CAutoCharBuffer longPath;
    if (longPath.Allocate(kLongPathBytes, true) != 1) return -4;
    CRegistryValue path;
    result = path.Prepare(REGISTRY_KIND_STRING, kPathChars);
    if (result != 1) return result;
    result = ReadRegistryValue(REGISTRY_LOCAL_MACHINE, kMainKey, kPathValue, path);
    if (result != 1) {
        m_failure = std::string("the setting \"") + kPathValue + "\" (the install folder) is missing from " +
                    Registry().DescribeKey(REGISTRY_LOCAL_MACHINE, kMainKey);
        return result;
    }
    // The long-name form also proves that the folder exists.
    if (Folders().GetLongPathName(path.Text(), longPath.Get(), kLongPathBytes) == 0) {
        m_failure = std::string("the setting \"") + kPathValue + "\" of " +
                    Registry().DescribeKey(REGISTRY_LOCAL_MACHINE, kMainKey) + " names the install folder \"" +
                    path.Text() + "\", which does not exist";
        return 0;
    }
    result = m_installFolder.SetPath(longPath.Get(), kLongPathBytes);
    if (result != 1) return result;
    return ReadSettings();
}

int CTimeManagerConfiguration::SetDataFolders() {
    char appData[kAppDataBytes] = {};
    if (Folders().GetAppDataFolder(appData, sizeof(appData)) != 1) return 0;
    char appDataUtf8[kAppDataUtf8Bytes] = {};
    if (AnsiToUtf8(appData, appDataUtf8, sizeof(appDataUtf8)) == 0)
        CopyTextCut(appDataUtf8, appData, sizeof(appDataUtf8) - 1);

    int result;
    if ((result = m_dataFolder.SetPath(appData, 0, "Orvanta")) != 1) return result;
    if ((result = m_dataFolderUtf8.SetPath(appDataUtf8, 0, "Orvanta")) != 1) return result;
    if ((result = m_logsFolder.SetPath(m_dataFolder.GetPath(), 0, "Logs")) != 1) return result;
    if ((result = m_archiveFolder.SetPath(m_logsFolder.GetPath(), 0, "Archive")) != 1) return result;
    if ((result = m_dbFolderUtf8.SetPath(m_dataFolderUtf8.GetPath(), 0, "DB")) != 1) return result;
    return m_dbFolder.SetPath(m_dataFolder.GetPath(), 0, "DB");
}

int CTimeManagerConfiguration::ReadSettings() {
    CRegistryValue text;
    int result = ReadOptional(kMainKey, "Language", REGISTRY_KIND_STRING, kLanguageChars, text);
    if (result != 1) return result;
    m_language = LanguageFromCode(text.Text());

    if ((result = ReadOptional(kMainKey, "Version", REGISTRY_KIND_STRING, kVersionChars, text)) != 1) return result;
    m_version = std::strtod(text.Text(), nullptr);

    m_pms = ReadNumber(kMainKey, "PMS");
    m_collectorLogLevel = ReadNumber(kMainKey, "QLOCollector Log Level");
    m_appLogLevel = ReadNumber(kMainKey, "QLO Log Level");
    m_hideToTray = ReadNumber(kMainKey, "Hide To Tray");
    m_firstStart = static_cast<int32_t>(ReadNumber(kMainKey, "First Start"));

    if ((result = ReadOptional(kPmsKey, "JIRA Server URL", REGISTRY_KIND_STRING, kPmsServerUrlSize, text)) != 1)
        return result;
    CopyTextCut(m_pmsServerUrl, text.Text(), kPmsServerUrlSize - 1);

    if ((result = ReadBytes(kPmsKey, "JIRA Username", m_pmsUsername, kPmsUsernameSize)) != 1 ||
        (result = ReadBytes(kPmsKey, "JIRA Password", m_pmsPassword, kPmsPasswordSize)) != 1)
        return result;
    m_worklogNotification = ReadNumber(kPmsKey, "Worklog notification");
    m_worklogNotificationTime = ReadNumber(kPmsKey, "Worklog notification time");
    if (m_worklogNotificationTime > kLatestTimeOfDay) m_worklogNotificationTime = kWorklogFallbackTime;
    return 1;
}

int CTimeManagerConfiguration::CreateFolders() {
    for (const CWorkingDirectory* folder :
         {&m_installFolder, &m_dataFolder, &m_logsFolder, &m_archiveFolder, &m_dbFolder})
        CreateFolder(*folder);
    return 1;
}

int CTimeManagerConfiguration::CreateFolder(const CWorkingDirectory& folder) {
    const char* path = folder.GetPath();
    if (!path) return -8;
    if (!*path) return 0;
    return Folders().CreateDirectory(path);
}
