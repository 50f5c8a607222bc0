// The configuration loaded from the target's real registry (the test
// prefix's under Wine, a registry file on Linux), with the application-data
// folder moved into a temporary folder.
#include "core/time_manager_configuration.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "fakes/fake_folders.h"
#include "platform/folders.h"
#include "platform/path.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "support/temp_folder.h"
#include "support/test_registry.h"

namespace {
const char kKey[] = "SOFTWARE\\Belvane\\Orvanta";
const char kPmsKey[] = "SOFTWARE\\Belvane\\Orvanta\\PMS";

std::string Join(const std::string& folder, const std::string& name) { return folder + kPathSeparator + name; }

// The target's narrow text (ANSI on Windows) for a UTF-8 text.
std::string Narrow(const std::string& utf8) {
    char out[1024];
    Utf8ToAnsi(utf8.c_str(), out, sizeof(out));
    return out;
}

std::string Utf8(const std::string& narrow) {
    char out[4096];
    AnsiToUtf8(narrow.c_str(), out, sizeof(out));
    return out;
}

std::string Text(const char* text) { return text ? text : "(none)"; }

bool IsFolder(const std::string& narrowPath) {
    char buffer[1024];
    return Folders().GetLongPathName(narrowPath.c_str(), buffer, sizeof(buffer)) > 0;
}

std::string LongPath(const std::string& narrowPath) {
    char buffer[1024] = {};
    Folders().GetLongPathName(narrowPath.c_str(), buffer, sizeof(buffer));
    return buffer;
}

class ConfigurationTest : public testing::Test {
protected:
    ConfigurationTest() {
        std::filesystem::create_directory(temp.Path() / "Install");
        std::filesystem::create_directory(temp.Path() / "AppData");
    }

    CTempFolder temp;
    const std::string install = Join(temp.Str(), "Install");
    const std::string appData = Join(temp.Str(), "AppData");
    CTestRegistry registry;
    CTimeManagerConfiguration configuration;
};

void ExpectDefaults(const CTimeManagerConfiguration& c) {
    for (const char* folder : {c.GetInstallFolder(), c.GetDataFolder(), c.GetDataFolderUtf8(), c.GetLogsFolder(),
                               c.GetArchiveFolder(), c.GetDbFolderUtf8(), c.GetDbFolder()})
        EXPECT_EQ(folder, nullptr);
    EXPECT_EQ(c.GetLanguage(), LANGUAGE_EN);
    EXPECT_EQ(c.GetVersion(), 0.0);
    EXPECT_EQ(c.GetPms(), 0u);
    EXPECT_EQ(c.GetCollectorLogLevel(), 0u);
    EXPECT_EQ(c.GetAppLogLevel(), 0u);
    EXPECT_EQ(c.GetHideToTray(), 1u);
    EXPECT_STREQ(c.GetPmsServerUrl(), "");
    EXPECT_EQ(std::memcmp(c.GetPmsUsername(), std::string(255, '\0').data(), 255), 0);
    EXPECT_EQ(std::memcmp(c.GetPmsPassword(), std::string(512, '\0').data(), 512), 0);
    EXPECT_EQ(c.GetWorklogNotification(), 1u);
    EXPECT_EQ(c.GetWorklogNotificationTime(), 1750u);
    EXPECT_EQ(c.GetFirstStart(), 0);
}

TEST_F(ConfigurationTest, LoadsEverySettingAndDerivesTheFolders) {
    CFakeFolders folders(appData);
    ASSERT_TRUE(registry.SetString(kKey, "Path", install));
    registry.SetString(kKey, "Language", "ua");
    registry.SetString(kKey, "Version", "2.5.1");
    registry.SetNumber(kKey, "PMS", 1);
    registry.SetNumber(kKey, "QLOCollector Log Level", 3);
    registry.SetNumber(kKey, "QLO Log Level", 7);
    registry.SetNumber(kKey, "Hide To Tray", 0);
    registry.SetNumber(kKey, "First Start", 1);
    registry.SetString(kPmsKey, "JIRA Server URL", "https://jira.example.com/");
    registry.SetBytes(kPmsKey, "JIRA Username", std::string("user\0\x01", 6));
    registry.SetBytes(kPmsKey, "JIRA Password", std::string(512, '\x7F'));
    registry.SetNumber(kPmsKey, "Worklog notification", 2);
    registry.SetNumber(kPmsKey, "Worklog notification time", 235959);

    ASSERT_EQ(configuration.Load(), 1);
    EXPECT_EQ(Text(configuration.GetInstallFolder()), LongPath(install));
    const std::string data = Join(appData, "Orvanta");
    EXPECT_EQ(Text(configuration.GetDataFolder()), data);
    EXPECT_EQ(Text(configuration.GetDataFolderUtf8()), data);
    EXPECT_EQ(Text(configuration.GetLogsFolder()), Join(data, "Logs"));
    EXPECT_EQ(Text(configuration.GetArchiveFolder()), Join(Join(data, "Logs"), "Archive"));
    EXPECT_EQ(Text(configuration.GetDbFolder()), Join(data, "DB"));
    EXPECT_EQ(Text(configuration.GetDbFolderUtf8()), Join(data, "DB"));

    EXPECT_EQ(configuration.GetLanguage(), LANGUAGE_UA);
    EXPECT_EQ(configuration.GetVersion(), 2.5);
    EXPECT_EQ(configuration.GetPms(), 1u);
    EXPECT_EQ(configuration.GetCollectorLogLevel(), 3u);
    EXPECT_EQ(configuration.GetAppLogLevel(), 7u);
    EXPECT_EQ(configuration.GetHideToTray(), 0u);
    EXPECT_EQ(configuration.GetFirstStart(), 1);
    EXPECT_STREQ(configuration.GetPmsServerUrl(), "https://jira.example.com/");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(configuration.GetPmsUsername()), 8),
              std::string("user\0\x01\0\0", 8));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(configuration.GetPmsPassword()), 512),
              std::string(512, '\x7F'));
    EXPECT_EQ(configuration.GetWorklogNotification(), 2u);
    EXPECT_EQ(configuration.GetWorklogNotificationTime(), 235959u);

    configuration.Reset();
    ExpectDefaults(configuration);
}

TEST_F(ConfigurationTest, WithoutAUsableInstallFolderLoadingFailsAndSaysWhichSettingOfWhichKey) {
    CFakeFolders folders(appData);
    const std::string key = Registry().DescribeKey(REGISTRY_LOCAL_MACHINE, kKey);
    const std::string missing = "the setting \"Path\" (the install folder) is missing from " + key;
    EXPECT_EQ(configuration.Load(), -401);
    EXPECT_EQ(std::string(configuration.GetFailureText()), missing);
    ASSERT_TRUE(registry.SetNumber(kKey, "First Start", 1));
    EXPECT_EQ(configuration.Load(), -402);
    EXPECT_EQ(std::string(configuration.GetFailureText()), missing);
    const std::string gone = Join(temp.Str(), "Missing");
    for (const std::string& stale : {gone, std::string()}) {
        ASSERT_TRUE(registry.SetString(kKey, "Path", stale));
        EXPECT_EQ(configuration.Load(), 0);
        EXPECT_EQ(
            std::string(configuration.GetFailureText()),
            "the setting \"Path\" of " + key + " names the install folder \"" + stale + "\", which does not exist");
    }
    // Nothing was taken from the failed attempts but the folders that do
    // not depend on the settings, so that the error log can be written.
    EXPECT_EQ(configuration.GetInstallFolder(), nullptr);
    EXPECT_EQ(Text(configuration.GetLogsFolder()), Join(Join(appData, "Orvanta"), "Logs"));
    EXPECT_EQ(configuration.GetFirstStart(), 0);
    ASSERT_TRUE(registry.SetString(kKey, "Path", install));
    ASSERT_EQ(configuration.Load(), 1);
    EXPECT_STREQ(configuration.GetFailureText(), "");
}

TEST_F(ConfigurationTest, WithoutAnAppDataFolderLoadingFails) {
    CFakeFolders folders("");
    ASSERT_TRUE(registry.SetString(kKey, "Path", install));
    EXPECT_EQ(configuration.Load(), 0);
    EXPECT_STREQ(configuration.GetFailureText(), "the application-data folder cannot be found or made");
    EXPECT_EQ(configuration.GetLogsFolder(), nullptr);
    EXPECT_EQ(configuration.GetDbFolderUtf8(), nullptr);
}

TEST_F(ConfigurationTest, AbsentValuesBecomeZeroNotTheirDefaults) {
    CFakeFolders folders(appData);
    ASSERT_TRUE(registry.SetString(kKey, "Path", install));
    ASSERT_EQ(configuration.Load(), 1);
    EXPECT_EQ(configuration.GetHideToTray(), 0u);
    EXPECT_EQ(configuration.GetWorklogNotification(), 0u);
    EXPECT_EQ(configuration.GetWorklogNotificationTime(), 0u);
    EXPECT_EQ(configuration.GetCollectorLogLevel(), 0u);
    EXPECT_EQ(configuration.GetFirstStart(), 0);
    EXPECT_EQ(configuration.GetLanguage(), LANGUAGE_EN);
    EXPECT_EQ(configuration.GetVersion(), 0.0);
}

TEST_F(ConfigurationTest, LoadingReplacesWhatAnEarlierLoadRead) {
    CFakeFolders folders(appData);
    ASSERT_TRUE(registry.SetString(kKey, "Path", install));
    registry.SetNumber(kKey, "First Start", 1);
    registry.SetBytes(kPmsKey, "JIRA Username", "a long user name");
    registry.SetString(kPmsKey, "JIRA Server URL", "https://a-long-address.example.com/");
    ASSERT_EQ(configuration.Load(), 1);
    registry.SetNumber(kKey, "First Start", 0);
    registry.SetBytes(kPmsKey, "JIRA Username", "bob");
    registry.SetString(kPmsKey, "JIRA Server URL", "http://b/");
    ASSERT_EQ(configuration.Load(), 1);
    EXPECT_EQ(configuration.GetFirstStart(), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(configuration.GetPmsUsername()), 5), std::string("bob\0\0", 5));
    EXPECT_STREQ(configuration.GetPmsServerUrl(), "http://b/");
}

TEST_F(ConfigurationTest, LanguageIsChosenByItsFirstTwoLetters) {
    CFakeFolders folders(appData);
    ASSERT_TRUE(registry.SetString(kKey, "Path", install));
    const std::pair<const char*, Language> cases[] = {
        {"ru-RU", LANGUAGE_RU}, {"ru", LANGUAGE_RU}, {"RU", LANGUAGE_RU}, {"uA", LANGUAGE_UA},
        {"en-GB", LANGUAGE_EN}, {"de", LANGUAGE_EN}, {"r", LANGUAGE_EN},  {"", LANGUAGE_EN},
    };
    for (const auto& [code, language] : cases) {
        registry.SetString(kKey, "Language", code);
        ASSERT_EQ(configuration.Load(), 1);
        EXPECT_EQ(configuration.GetLanguage(), language) << code;
    }
    // Longer than the 32 characters a language code may have: not read.
    registry.SetString(kKey, "Language", "ru" + std::string(31, 'x'));
    ASSERT_EQ(configuration.Load(), 1);
    EXPECT_EQ(configuration.GetLanguage(), LANGUAGE_EN);
}

TEST_F(ConfigurationTest, VersionIsADecimalNumberOrZero) {
    CFakeFolders folders(appData);
    ASSERT_TRUE(registry.SetString(kKey, "Path", install));
    const std::pair<const char*, double> cases[] = {{"3.25", 3.25}, {"10", 10.0}, {"abc", 0.0}, {"", 0.0}};
    for (const auto& [text, version] : cases) {
        registry.SetString(kKey, "Version", text);
        ASSERT_EQ(configuration.Load(), 1);
        EXPECT_EQ(configuration.GetVersion(), version) << text;
    }
}

TEST_F(ConfigurationTest, WorklogTimesAfterTheLastSecondOfTheDayBecomeSixPm) {
    CFakeFolders folders(appData);
    ASSERT_TRUE(registry.SetString(kKey, "Path", install));
    const std::pair<uint32_t, uint32_t> cases[] = {
        {240000, 180000}, {235959, 235959}, {236000, 180000}, {0, 0}, {0xFFFFFFFF, 180000}};
    for (const auto& [stored, loaded] : cases) {
        registry.SetNumber(kPmsKey, "Worklog notification time", stored);
        ASSERT_EQ(configuration.Load(), 1);
        EXPECT_EQ(configuration.GetWorklogNotificationTime(), loaded) << stored;
    }
}

TEST_F(ConfigurationTest, NumbersStoredAsTextReadAsZero) {
    CFakeFolders folders(appData);
    ASSERT_TRUE(registry.SetString(kKey, "Path", install));
    registry.SetString(kKey, "QLOCollector Log Level", "3");
    registry.SetString(kKey, "First Start", "1");
    ASSERT_EQ(configuration.Load(), 1);
    EXPECT_EQ(configuration.GetCollectorLogLevel(), 0u);
    EXPECT_EQ(configuration.GetFirstStart(), 0);
}

TEST_F(ConfigurationTest, NonAsciiAppDataFolderGivesAnsiLogsAndUtf8Databases) {
    const std::string cafeUtf8 = "Caf\xC3\xA9";
    const std::string folder = Join(temp.Str(), Narrow(cafeUtf8));
    ASSERT_EQ(Folders().CreateDirectory(folder.c_str()), 1);
    CFakeFolders folders(folder);
    ASSERT_TRUE(registry.SetString(kKey, "Path", install));
    ASSERT_EQ(configuration.Load(), 1);

    const std::string data = Join(folder, "Orvanta");
    const std::string dataUtf8 = Join(Join(Utf8(temp.Str()), cafeUtf8), "Orvanta");
    EXPECT_EQ(Text(configuration.GetLogsFolder()), Join(data, "Logs"));
    EXPECT_EQ(Text(configuration.GetDbFolder()), Join(data, "DB"));
    EXPECT_EQ(Text(configuration.GetDbFolderUtf8()), Join(dataUtf8, "DB"));

    // The UTF-8 form names the database folder that was created through the narrow one.
    ASSERT_EQ(configuration.CreateFolders(), 1);
    const std::string db = configuration.GetDbFolderUtf8();
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(std::u8string(db.begin(), db.end()))));
    EXPECT_TRUE(IsFolder(Join(data, "Logs")));
}

TEST_F(ConfigurationTest, LongNonAsciiAppDataFolderIsConvertedWhole) {
    // A folder of nearly the longest length the shell gives, every character
    // of which takes more bytes in UTF-8 than in the ANSI code page.
    const std::string euro = Narrow("\xE2\x82\xAC");
    std::string folder = temp.Str() + kPathSeparator;
    while (folder.size() + euro.size() < 255)
        folder += euro;
    CFakeFolders folders(folder);
    ASSERT_TRUE(registry.SetString(kKey, "Path", install));
    ASSERT_EQ(configuration.Load(), 1);
    EXPECT_EQ(Text(configuration.GetDataFolderUtf8()), Join(Utf8(folder), "Orvanta"));
}

TEST_F(ConfigurationTest, CreateFoldersMakesEachFolderOneLevelDeep) {
    CFakeFolders folders(appData);
    ASSERT_TRUE(registry.SetString(kKey, "Path", install));
    ASSERT_EQ(configuration.Load(), 1);
    ASSERT_EQ(configuration.CreateFolders(), 1);
    for (const char* folder :
         {configuration.GetInstallFolder(), configuration.GetDataFolder(), configuration.GetLogsFolder(),
          configuration.GetArchiveFolder(), configuration.GetDbFolder()})
        EXPECT_TRUE(IsFolder(folder)) << folder;
    EXPECT_EQ(configuration.CreateFolders(), 1);  // all there already
}

TEST_F(ConfigurationTest, CreateFoldersGoesOnPastFoldersItCannotMake) {
    CFakeFolders folders(Join(temp.Str(), "NoSuchFolder"));
    ASSERT_TRUE(registry.SetString(kKey, "Path", install));
    ASSERT_EQ(configuration.Load(), 1);
    EXPECT_EQ(configuration.CreateFolders(), 1);
    EXPECT_FALSE(IsFolder(configuration.GetDataFolder()));
    EXPECT_FALSE(IsFolder(configuration.GetDbFolder()));

    CWorkingDirectory folder;
    EXPECT_EQ(CTimeManagerConfiguration::CreateFolder(folder), -8);
    folder.SetPath(configuration.GetLogsFolder(), 0);
    EXPECT_EQ(CTimeManagerConfiguration::CreateFolder(folder), 0);
    folder.SetPath(appData.c_str(), 0, "Orvanta");
    EXPECT_EQ(CTimeManagerConfiguration::CreateFolder(folder), 1);
    EXPECT_EQ(CTimeManagerConfiguration::CreateFolder(folder), 1);
    // A fresh configuration has no folders to make.
    EXPECT_EQ(CTimeManagerConfiguration().CreateFolders(), 1);
}
}  // namespace
