#include <gtest/gtest.h>

#include <string>

#include "fakes/fake_clock.h"
#include "fakes/fake_dde.h"
#include "fakes/fake_desktop.h"
#include "fakes/fake_processes.h"
#include "sensing/activity.h"
#include "sensing/browser_reports.h"
#include "sensing/capture_memo.h"

namespace {
constexpr WindowHandle kEditorWindow = 1, kDesktopWindow = 2, kBrowserWindow = 3, kMessengerWindow = 4,
                       kConversationPane = 5;
constexpr uint32_t kEditor = 100, kBrowser = 200, kMessenger = 300;

// An editor in front, a browser and the messenger in the background; every
// process is named by the snapshot and runs under HOST\alice.
class CaptureTest : public ::testing::Test {
protected:
    CaptureTest() {
        processes.AddProcess(kEditor, "Editor.EXE", "C:\\Apps\\Editor.EXE");
        processes.AddProcess(kBrowser, "FireFox.exe", "C:\\Firefox\\FireFox.exe");
        processes.AddProcess(kMessenger, "Skype.exe", "C:\\Skype\\Skype.exe");
        for (uint32_t process : {kEditor, kBrowser, kMessenger})
            processes.SetAccount(process, "HOST", "alice");
        desktop.Show(kBrowserWindow, kBrowser, "Example - Firefox");
        desktop.AddWindow(kMessengerWindow,
                          {.title = "Skype - alice.smith", .processId = kMessenger, .className = "tSkMainForm"});
        desktop.AddWindow(
            kConversationPane,
            {.title = "Bob", .processId = kMessenger, .className = "TConversationForm", .parent = kMessengerWindow});
        desktop.Show(kDesktopWindow, kEditor, "");
        desktop.Show(kEditorWindow, kEditor, "notes.txt - Editor");
    }

    CFakeClock clock;
    CFakeDesktop desktop;
    CFakeProcesses processes;
    CFakeDde dde;
    CWinActivity activity;
};

TEST_F(CaptureTest, ACompleteCaptureFillsTheActivity) {
    EXPECT_EQ(activity.Capture(), 1);
    EXPECT_STREQ(activity.GetFileName(), "editor.exe");
    EXPECT_STREQ(activity.GetFullPath(), "C:\\Apps\\Editor.EXE");
    EXPECT_STREQ(activity.GetTitle(), "notes.txt - Editor");
    EXPECT_EQ(activity.GetType(), ActivityType::Active);
    CUser user;
    activity.GetUser(user);
    EXPECT_STREQ(user.GetDomain(), "HOST");
    EXPECT_STREQ(user.GetName(), "alice");
    EXPECT_EQ(activity.GetURLFlag(), 0);
    EXPECT_EQ(clock.SleptMilliseconds(), 0);
}

TEST_F(CaptureTest, TheSameWindowOfTheSameProcessIsNamedOnlyOnce) {
    using Method = CFakeProcesses::Method;
    ASSERT_EQ(activity.Capture(), 1);
    const int named = processes.Calls(Method::Snapshot);
    desktop.SetTitle(kEditorWindow, "draft.txt - Editor");
    CWinActivity again;
    ASSERT_EQ(again.Capture(), 1);
    EXPECT_EQ(processes.Calls(Method::Snapshot), named);
    EXPECT_STREQ(again.GetFileName(), "editor.exe");
    EXPECT_STREQ(again.GetFullPath(), "C:\\Apps\\Editor.EXE");
    EXPECT_STREQ(again.GetTitle(), "draft.txt - Editor");

    // Another window in front is named afresh, and so is one whose process
    // could not be named before.
    constexpr WindowHandle kNewWindow = 6;
    constexpr uint32_t kNewProcess = 400;
    desktop.Show(kNewWindow, kNewProcess, "New");
    CWinActivity unnamed;
    EXPECT_EQ(unnamed.Capture(), -50);
    processes.AddProcess(kNewProcess, "new.exe", "C:\\new.exe");
    processes.SetAccount(kNewProcess, "HOST", "alice");
    CWinActivity named2;
    ASSERT_EQ(named2.Capture(), 1);
    EXPECT_STREQ(named2.GetFileName(), "new.exe");
}

TEST_F(CaptureTest, AUserAlreadySetIsKept) {
    activity.SetUser(CUser("OFFICE", "bob"));
    EXPECT_EQ(activity.Capture(), 1);
    CUser user;
    activity.GetUser(user);
    EXPECT_STREQ(user.GetName(), "bob");
    EXPECT_EQ(processes.AccountCalls(), 0);
}

TEST_F(CaptureTest, TheForegroundIsAskedFourMoreTimesBeforeTheDesktopStandsIn) {
    desktop.SetForeground(kEditorWindow, 3);
    EXPECT_EQ(activity.Capture(), 1);
    EXPECT_EQ(desktop.ForegroundCalls(), 4);
    EXPECT_EQ(clock.SleptMilliseconds(), 1500);
    EXPECT_STREQ(activity.GetTitle(), "notes.txt - Editor");

    desktop.SetForeground(0);
    desktop.SetDesktopWindow(kDesktopWindow);
    CWinActivity fallback;
    EXPECT_EQ(fallback.Capture(), 1);
    EXPECT_EQ(desktop.ForegroundCalls(), 4 + 5);
    EXPECT_EQ(clock.SleptMilliseconds(), 1500 + 2000);
    EXPECT_STREQ(fallback.GetTitle(), "");
    EXPECT_STREQ(fallback.GetFileName(), "editor.exe");
}

TEST_F(CaptureTest, NoWindowAtAllLeavesTheActivityUnchanged) {
    desktop.SetForeground(0);
    activity.SetType(ActivityType::Locked);
    activity.SetTitle("before", 0);
    EXPECT_EQ(activity.Capture(), -52);
    EXPECT_EQ(activity.GetType(), ActivityType::Locked);
    EXPECT_STREQ(activity.GetTitle(), "before");
}

TEST_F(CaptureTest, TitlesUnreadableMissingOrLong) {
    desktop.FailTitleRead(kEditorWindow, true);
    EXPECT_EQ(activity.Capture(), 0);
    EXPECT_STREQ(activity.GetTitle(), "");
    EXPECT_STREQ(activity.GetFileName(), "editor.exe");

    desktop.Show(kEditorWindow, kEditor, "");
    CWinActivity untitled;
    EXPECT_EQ(untitled.Capture(), 1);
    EXPECT_STREQ(untitled.GetTitle(), "");

    desktop.Show(kEditorWindow, kEditor, std::string(400, 't'));
    CWinActivity longTitle;
    EXPECT_EQ(longTitle.Capture(), 1);
    EXPECT_EQ(std::string(longTitle.GetTitle()), std::string(259, 't'));
}

TEST_F(CaptureTest, AnUnnamedProcessChangesOnlyTheType) {
    desktop.Show(kEditorWindow, 999, "mystery");
    desktop.SetIdleMilliseconds(120000);
    CWinProcess before(5, "old title");
    before.SetFileName("old.exe");
    activity.SetProcess(before);
    EXPECT_EQ(activity.Capture(), -50);
    EXPECT_EQ(activity.GetType(), ActivityType::Idle);
    EXPECT_STREQ(activity.GetFileName(), "old.exe");
    EXPECT_STREQ(activity.GetTitle(), "old title");
}

TEST_F(CaptureTest, AnUnknownAccountLeavesOnlyTheUserEmpty) {
    desktop.Show(kEditorWindow, 101, "other");
    processes.AddProcess(101, "other.exe", "C:\\other.exe");
    EXPECT_EQ(activity.Capture(), -51);
    EXPECT_STREQ(activity.GetFileName(), "other.exe");
    EXPECT_STREQ(activity.GetTitle(), "other");
    CUser user;
    activity.GetUser(user);
    EXPECT_TRUE(user.IsEmpty());
}

TEST_F(CaptureTest, IdleStartsAfterSixtyOneWholeSeconds) {
    desktop.SetIdleMilliseconds(60999);
    EXPECT_EQ(GetIdleTime(), 60999u);
    EXPECT_EQ(activity.GetInputState(), ActivityType::Active);
    clock.Advance(1);
    EXPECT_EQ(activity.GetInputState(), ActivityType::Idle);
    ASSERT_EQ(activity.Capture(), 1);
    EXPECT_EQ(activity.GetType(), ActivityType::Idle);
    desktop.SetIdleMilliseconds(0);
    EXPECT_EQ(activity.GetInputState(), ActivityType::Active);
    // A last input stamped a little after the current tick is no idle time.
    clock.Advance(-5);
    EXPECT_EQ(GetIdleTime(), 0u);
    // Idle across the wrap of the tick counter (49.7 days of uptime).
    clock.SetTickCount(0xFFFFFF00u);
    desktop.SetIdleMilliseconds(50000);
    clock.Advance(20000);
    EXPECT_LT(clock.TickCount(), 0xFFFFFF00u) << "the counter wrapped";
    EXPECT_EQ(GetIdleTime(), 70000u);
    EXPECT_EQ(activity.GetInputState(), ActivityType::Idle);
    desktop.FailLastInput(true);
    EXPECT_EQ(GetIdleTime(), 0u);
}

TEST_F(CaptureTest, ABrowserInFrontGivesItsAddress) {
    dde.Answer("firefox", "WWW_GetWindowInfo", "0xFFFFFFFF", CFakeDde::BrowserReply("https://example.org/", "Ex"));
    desktop.SetForeground(kBrowserWindow);
    EXPECT_EQ(activity.Capture(), 1);
    EXPECT_EQ(activity.GetURLFlag(), 1);
    EXPECT_STREQ(activity.GetURL(), "https://example.org/");
    EXPECT_STREQ(activity.GetFileName(), "firefox.exe");
    EXPECT_STREQ(activity.GetFullPath(), "C:\\Firefox\\FireFox.exe");

    // An empty address clears the flag but keeps the address.
    dde.Answer("firefox", "WWW_GetWindowInfo", "0xFFFFFFFF", CFakeDde::BrowserReply("", ""));
    EXPECT_EQ(activity.Capture(), 1);
    EXPECT_EQ(activity.GetURLFlag(), 0);
    EXPECT_STREQ(activity.GetURL(), "https://example.org/");

    // No answer, or no browser in front: address and flag stay as they were.
    activity.SetURLFlag(1);
    dde.Answer("firefox", "WWW_GetWindowInfo", "0xFFFFFFFF", "");
    EXPECT_EQ(activity.Capture(), 1);
    desktop.SetForeground(kEditorWindow);
    EXPECT_EQ(activity.Capture(), 1);
    EXPECT_EQ(activity.GetURLFlag(), 1);
    EXPECT_STREQ(activity.GetURL(), "https://example.org/");
    EXPECT_EQ(dde.OpenInstances(), 0);
    EXPECT_EQ(dde.OpenConversations(), 0);
}

TEST_F(CaptureTest, TheMessengerIsNamedByItsOpenConversation) {
    desktop.SetForeground(kMessengerWindow);
    EXPECT_EQ(activity.Capture(), 1);
    EXPECT_STREQ(activity.GetTitle(), "Bob : alice.smith");
    EXPECT_STREQ(activity.GetFileName(), "skype.exe");

    desktop.SetVisible(kConversationPane, false);
    CWinActivity noConversation;
    EXPECT_EQ(noConversation.Capture(), 0);
    EXPECT_STREQ(noConversation.GetTitle(), "Skype - alice.smith");

    desktop.SetTitle(kMessengerWindow, "");
    CWinActivity untitled;
    EXPECT_EQ(untitled.Capture(), -1);
    EXPECT_STREQ(untitled.GetTitle(), "");
}
TEST_F(CaptureTest, ARepeatedCaptureAsksTheDesktopNothingUntilSomethingChanged) {
    CCaptureMemo memo;
    auto askedAgain = [&](CWinActivity& into) {
        const int before = desktop.ForegroundCalls();
        EXPECT_EQ(memo.Capture(into), 1);
        return desktop.ForegroundCalls() > before;
    };
    // A desktop that cannot tell what changed is asked every time.
    EXPECT_TRUE(askedAgain(activity));
    EXPECT_TRUE(askedAgain(activity));

    desktop.CountChanges();
    EXPECT_TRUE(askedAgain(activity));
    CWinActivity repeated;
    EXPECT_FALSE(askedAgain(repeated));
    EXPECT_EQ(repeated.IsSameActivity(activity), 1);
    CUser user;
    repeated.GetUser(user);
    EXPECT_STREQ(user.GetName(), "alice");

    // Every change the desktop or the browser extension tells of is seen.
    desktop.SetTitle(kEditorWindow, "todo.txt - Editor");
    EXPECT_TRUE(askedAgain(repeated));
    EXPECT_STREQ(repeated.GetTitle(), "todo.txt - Editor");
    desktop.SetIdleMilliseconds(kIdleNoticeMs);
    EXPECT_TRUE(askedAgain(repeated));
    EXPECT_EQ(repeated.GetType(), ActivityType::Idle);
    EXPECT_FALSE(askedAgain(repeated));
    BrowserReports().Clear();
    EXPECT_TRUE(askedAgain(repeated));

    // A browser asked over DDE and the messenger's conversation change unannounced.
    dde.Answer("firefox", "WWW_GetWindowInfo", "0xFFFFFFFF", CFakeDde::BrowserReply("https://example.org/", "Ex"));
    for (WindowHandle unannounced : {kBrowserWindow, kMessengerWindow}) {
        desktop.SetForeground(unannounced);
        EXPECT_TRUE(askedAgain(repeated));
        EXPECT_TRUE(askedAgain(repeated));
    }
}
}  // namespace
