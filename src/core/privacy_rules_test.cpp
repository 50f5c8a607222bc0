// The private lists: what each kind of pattern matches, which level wins,
// and the lists as read from the target's registry.
#include "core/privacy_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "core/privacy_settings.h"
#include "support/test_registry.h"

namespace {
CActivity Capture(const char* fileName, const char* path, const char* title, const char* url = "") {
    CWinProcess process(7, title);
    process.SetFileName(fileName);
    process.SetPath(path);
    CActivity activity(ActivityType::Active);
    activity.SetProcess(process);
    if (*url) {
        activity.SetURL(url, 512);
        activity.SetURLFlag(1);
    }
    return activity;
}

// The level of `activity` with one list of `subject` set to `list`.
PrivacyLevel LevelWith(PrivacySubject subject, const char* list, const CActivity& activity) {
    CPrivacyRules rules;
    rules.SetList(subject, PrivacyLevel::Details, list);
    return rules.LevelOf(activity, false);
}

TEST(PrivateLists, PatternsMatchTheWholeTextIgnoringTheCaseOfLettersWithStarsForAnyRun) {
    const CActivity editor = Capture("editor", "/usr/bin/editor", "My DIAGNOSIS - Editor");
    const struct {
        const char* titles;
        bool matches;
    } cases[] = {{"*diagnosis*", true},
                 {"my diagnosis - editor", true},
                 {"diagnosis", false},
                 {"my*d*s*is*", true},
                 {"*editor*x", false},
                 {"*", true},
                 {"m*z*", false},
                 {" ; ;*DIAG*;", true},
                 {"", false}};
    for (const auto& each : cases)
        EXPECT_EQ(LevelWith(PrivacySubject::Title, each.titles, editor) == PrivacyLevel::Details, each.matches)
            << each.titles;
    // Programs by file name, or by full path for a pattern holding a separator.
    EXPECT_EQ(
        LevelWith(PrivacySubject::Program, "keepass*; signal.exe", Capture("keepassxc", "/usr/bin/keepassxc", "")),
        PrivacyLevel::Details);
    EXPECT_EQ(LevelWith(PrivacySubject::Program, "keepass", Capture("keepassxc", "/usr/bin/keepassxc", "")),
              PrivacyLevel::None);
    EXPECT_EQ(LevelWith(PrivacySubject::Program, "c:\\bank\\*", Capture("app.exe", "C:\\Bank\\App.exe", "")),
              PrivacyLevel::Details);
}

TEST(PrivateLists, ASiteCoversItsSubdomainsAndAPatternWithASlashTheAddressWithoutItsScheme) {
    const struct {
        const char* site;
        const char* url;
        bool matches;
    } cases[] = {
        {"bank.example", "https://bank.example/login", true},
        {"bank.example", "https://www.BANK.example/login?x=1", true},
        {"bank.example", "http://user@online.bank.example:8443/", true},
        {"bank.example", "https://notbank.example/", false},
        {"bank.example", "https://bank.example.evil.test/", false},
        {"bank.example", "https://evil.test/?next=bank.example", false},
        {"*.health", "https://my.clinic.health/", true},
        {"mail.example/u/1/*", "https://mail.example/u/1/inbox", true},
        {"mail.example/u/1/*", "https://mail.example/u/2/inbox", false},
        {"bank.example", "bank.example/no-scheme", true},
    };
    for (const auto& each : cases)
        EXPECT_EQ(LevelWith(PrivacySubject::Site, each.site, Capture("chrome", "/usr/bin/chrome", "Page", each.url)) ==
                      PrivacyLevel::Details,
                  each.matches)
            << each.site << " " << each.url;
}

TEST(PrivateLists, NothingOutranksDetailsAndABrowserPageWithoutAnAddressIsKeptBackWhileSitesAreListed) {
    CPrivacyRules rules;
    rules.SetList(PrivacySubject::Title, PrivacyLevel::Details, "*chat*");
    rules.SetList(PrivacySubject::Program, PrivacyLevel::Nothing, "messenger");
    CActivity chat = Capture("messenger", "/opt/messenger", "Chat with Bob", "https://chat.example/bob");
    EXPECT_EQ(rules.Apply(chat, false), PrivacyLevel::Nothing);
    EXPECT_TRUE(chat.IsPrivateProgram());
    EXPECT_STREQ(chat.GetTitle(), "private");
    EXPECT_STREQ(chat.GetURL(), "");
    EXPECT_EQ(chat.GetProcessId(), 0u);

    CActivity browser = Capture("chrome", "/usr/bin/chrome", "Loading - Chromium");
    EXPECT_EQ(rules.LevelOf(browser, true), PrivacyLevel::None);  // no site is listed
    rules.SetList(PrivacySubject::Site, PrivacyLevel::Nothing, "bank.example");
    EXPECT_EQ(rules.Apply(browser, true), PrivacyLevel::Details);
    EXPECT_STREQ(browser.GetTitle(), "private");
    EXPECT_STREQ(browser.GetFileName(), "chrome");
    EXPECT_FALSE(browser.IsPrivateProgram());
}

TEST(PrivateLists, AreReadFromTheSixValuesOfTheirKey) {
    CTestRegistry registry;
    const char key[] = "SOFTWARE\\Belvane\\Orvanta\\Privacy";
    CPrivacyRules rules;
    ASSERT_EQ(LoadPrivacySettings(rules), 1);
    EXPECT_TRUE(rules.Empty());
    ASSERT_TRUE(registry.SetString(key, "Programs details", "a;b"));
    ASSERT_TRUE(registry.SetString(key, "Sites nothing", "bank.example"));
    ASSERT_TRUE(registry.SetString(key, "Titles details", std::string(60000, 'x') + ";*secret*"));
    ASSERT_EQ(LoadPrivacySettings(rules), 1);
    EXPECT_EQ(rules.Count(PrivacySubject::Program, PrivacyLevel::Details), 2);
    EXPECT_EQ(rules.Count(PrivacySubject::Site, PrivacyLevel::Nothing), 1);
    EXPECT_EQ(rules.Count(PrivacySubject::Title, PrivacyLevel::Details), 2);
    EXPECT_EQ(rules.Count(PrivacySubject::Title, PrivacyLevel::Nothing), 0);
}
}  // namespace
