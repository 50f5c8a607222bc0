#include "sensing/activity.h"

#include <gtest/gtest.h>

#include <string>

namespace {
CWinActivity Captured(ActivityType type, const char* file, const char* path, const char* title) {
    CWinProcess process(42, title);
    process.SetFileName(file);
    process.SetPath(path);
    CWinActivity activity(type);
    activity.SetProcess(process);
    return activity;
}

TEST(Activity, TypeIsSetOnlyToKnownValues) {
    EXPECT_EQ(CActivity(7).GetType(), ActivityType::None);
    EXPECT_EQ(CActivity(3).GetType(), ActivityType::Locked);
    CActivity activity(ActivityType::Idle);
    activity.SetType(5);
    activity.SetType(-1);
    EXPECT_EQ(activity.GetType(), ActivityType::Idle);
    const char* labels[] = {"N", "A", "I", "L", "F"};
    for (int type = 0; type < 5; ++type) {
        activity.SetType(type);
        EXPECT_STREQ(activity.GetTypeLabel(), labels[type]);
    }
}

TEST(Activity, NewActivityIsEmpty) {
    const CWinActivity activity;
    EXPECT_STREQ(activity.GetFileName(), "");
    EXPECT_STREQ(activity.GetTitle(), "");
    EXPECT_STREQ(activity.GetURL(), "");
    EXPECT_EQ(activity.GetStartDate(), 0);
    EXPECT_EQ(activity.GetDuration(), 0);
    EXPECT_EQ(activity.GetURLFlag(), 0);
    EXPECT_EQ(activity.GetAppId() + activity.GetSiteId() + activity.GetUserId() + activity.GetTaskId() +
                  activity.GetProjectId(),
              0);
}

TEST(Activity, SetUrlKeepsAtMost512CharactersAndSaysWhenItCut) {
    CActivity activity;
    const std::string url600(600, 'u');
    EXPECT_EQ(activity.SetURL(url600.c_str(), 600), -10);
    EXPECT_EQ(std::string(activity.GetURL()), url600.substr(0, 512));
    const std::string url513(513, 'v');
    EXPECT_EQ(activity.SetURL(url513.c_str(), 1000), -10);
    EXPECT_EQ(std::string(activity.GetURL()), url513.substr(0, 512));
    const std::string url512(512, 'w');
    EXPECT_EQ(activity.SetURL(url512.c_str(), 512), 1);
    EXPECT_EQ(std::string(activity.GetURL()), url512);
    EXPECT_EQ(activity.SetURL("http://a.example/page", 8), 1);
    EXPECT_STREQ(activity.GetURL(), "http://a");
}

TEST(Activity, SetUrlRefusesMissingTextAndLeavesTheAddress) {
    CActivity activity;
    ASSERT_EQ(activity.SetURL("http://kept", 100), 1);
    EXPECT_EQ(activity.SetURL(nullptr, 100), -1);
    EXPECT_EQ(activity.SetURL("http://other", 0), -1);
    EXPECT_STREQ(activity.GetURL(), "http://kept");
}

TEST(Activity, SetTitleCutsToLengthOrTo261Characters) {
    CActivity activity;
    activity.SetTitle("Document1 - Editor", 9);
    EXPECT_STREQ(activity.GetTitle(), "Document1");
    const std::string long300(300, 't');
    activity.SetTitle(long300.c_str(), 0);
    EXPECT_EQ(std::string(activity.GetTitle()), long300.substr(0, 261));
    activity.SetTitle(long300.c_str(), 280);
    EXPECT_EQ(std::string(activity.GetTitle()).size(), 261u);
    activity.SetTitle(nullptr, 0);
    EXPECT_STREQ(activity.GetTitle(), "");
}

TEST(Activity, UpdateDurationFollowsTheDates) {
    CActivity activity;
    activity.SetDates(20140131235900, 20140201000100);
    activity.UpdateDuration();
    EXPECT_EQ(activity.GetDuration(), 120);
    EXPECT_EQ(activity.GetFormatedDuration(), 200);
    activity.SetDates(20140201000100, 20140131235900);
    activity.UpdateDuration();
    EXPECT_EQ(activity.GetDuration(), 120);
    EXPECT_EQ(activity.GetFormatedDuration(), 200);
    activity.SetStartAndFinish(20140201000100);
    activity.UpdateDuration();
    EXPECT_EQ(activity.GetDuration(), 0);
    EXPECT_EQ(activity.GetStartDate(), activity.GetFinishDate());
}

TEST(Activity, SameActivityNeedsTypeFileNamePathAndTitle) {
    const CWinActivity base = Captured(ActivityType::Active, "word.exe", "C:\\Office\\word.exe", "Report");
    CWinActivity otherUrl = base;
    otherUrl.SetURL("http://elsewhere", 100);
    otherUrl.SetStartAndFinish(20140101000000);
    otherUrl.SetUserId(9);
    EXPECT_EQ(base.IsSameActivity(otherUrl), 1);
    EXPECT_EQ(base.IsSameActivity(Captured(ActivityType::Idle, "word.exe", "C:\\Office\\word.exe", "Report")), 0);
    EXPECT_EQ(base.IsSameActivity(Captured(ActivityType::Active, "word.exe", "C:\\Office\\word.exe", "Report2")), 0);
    // File name and path are compared in full, not on their first character.
    EXPECT_EQ(base.IsSameActivity(Captured(ActivityType::Active, "wordpad.exe", "C:\\Office\\word.exe", "Report")), 0);
    EXPECT_EQ(base.IsSameActivity(Captured(ActivityType::Active, "word.exe", "C:\\Other\\word.exe", "Report")), 0);
}

TEST(Activity, AssignCopiesEveryFieldAndTheIds) {
    CWinActivity source = Captured(ActivityType::Locked, "a.exe", "/bin/a", "T");
    source.SetUser(CUser("DOM", "alice"));
    source.SetDates(20140101000000, 20140101000010);
    source.UpdateDuration();
    source.SetURLFlag(1);
    source.SetURL("http://x", 100);
    source.SetTask(7, 3);
    source.SetAppId(11);
    source.SetSiteId(12);
    source.SetUserId(13);
    CWinActivity copy;
    copy.Assign(source);
    copy.Assign(copy);
    EXPECT_EQ(copy.IsSameActivity(source), 1);
    CUser user;
    copy.GetUser(user);
    EXPECT_STREQ(user.GetName(), "alice");
    EXPECT_EQ(copy.GetDuration(), 10);
    EXPECT_EQ(copy.GetURLFlag(), 1);
    EXPECT_STREQ(copy.GetURL(), "http://x");
    EXPECT_EQ(copy.GetTaskId(), 7);
    EXPECT_EQ(copy.GetProjectId(), 3);
    EXPECT_EQ(copy.GetAppId(), 11);
    EXPECT_EQ(copy.GetSiteId(), 12);
    EXPECT_EQ(copy.GetUserId(), 13);
    CWinProcess process;
    copy.GetProcess(process);
    EXPECT_EQ(process.GetProcessId(), 42u);
}

TEST(Activity, SystemProcessReplacesTheWholeProcessRecord) {
    CWinActivity activity = Captured(ActivityType::Active, "", "", "Some title");
    activity.SetSystemProcess();
    EXPECT_STREQ(activity.GetFileName(), "[SYSTEM]");
    EXPECT_STREQ(activity.GetFullPath(), "[SYSTEM PROCESS]");
    EXPECT_STREQ(activity.GetTitle(), "");
    CWinProcess process;
    activity.GetProcess(process);
    EXPECT_EQ(process.GetProcessId(), 0u);
}

TEST(ProcessRecord, CopiesAndClearsEveryText) {
    CWinProcess process(5, std::string(300, 'x').c_str());
    EXPECT_EQ(std::string(process.GetTitle()).size(), 261u);
    process.SetFileName(std::string(300, 'f').c_str());
    process.SetPath("/usr/bin/f");
    EXPECT_EQ(std::string(process.GetFileName()).size(), 260u);
    CWinProcess copy(process);
    EXPECT_EQ(std::string(copy.GetFileName()), std::string(process.GetFileName()));
    EXPECT_STREQ(copy.GetPath(), "/usr/bin/f");
    copy.Clear();
    EXPECT_STREQ(copy.GetFileName(), "");
    EXPECT_STREQ(copy.GetPath(), "");
    EXPECT_STREQ(copy.GetTitle(), "");
    EXPECT_EQ(copy.GetProcessId(), 5u);
    EXPECT_STREQ(process.GetPath(), "/usr/bin/f");
}

TEST(UserRecord, FilledOnlyWhenBothTextsAreGiven) {
    EXPECT_TRUE(CUser(nullptr, "alice").IsEmpty());
    EXPECT_TRUE(CUser("DOM", nullptr).IsEmpty());
    const CUser user("DOM", std::string(600, 'n').c_str());
    EXPECT_FALSE(user.IsEmpty());
    EXPECT_STREQ(user.GetDomain(), "DOM");
    EXPECT_EQ(std::string(user.GetName()).size(), 511u);
    EXPECT_TRUE(g_currentUser.IsEmpty());
}
}  // namespace
