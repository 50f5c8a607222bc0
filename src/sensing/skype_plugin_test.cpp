#include "sensing/skype_plugin.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fakes/fake_desktop.h"

namespace {
constexpr WindowHandle kMain = 10, kHiddenPane = 11, kVisiblePane = 12, kDetached = 20;

// The messenger's main window with a hidden and a visible conversation pane,
// and a detached conversation window of the same program.
class SkypePluginTest : public ::testing::Test {
protected:
    SkypePluginTest() {
        desktop.AddWindow(kMain, {.title = "Skype - alice.smith", .className = "tSkMainForm"});
        desktop.AddWindow(kHiddenPane,
                          {.title = "Carol", .className = "TConversationForm", .parent = kMain, .visible = false});
        desktop.AddWindow(kVisiblePane, {.title = "Bob", .className = "TConversationForm", .parent = kMain});
        desktop.AddWindow(kDetached, {.title = "Dave", .className = "TConversationForm"});
    }
    CFakeDesktop desktop;
};

TEST_F(SkypePluginTest, RecognisesOnlyTheMainWindowOfTheMessenger) {
    char fileName[] = "Skype.EXE";
    CSkypePlugin main(kMain, nullptr);
    EXPECT_EQ(main.IsSkypeWindow(fileName, 9, "C:\\Skype\\Skype.exe", 18), 1);
    EXPECT_STREQ(fileName, "skype.exe");
    char longer[] = "skype.exe.old";  // only the first nine characters count
    EXPECT_EQ(main.IsSkypeWindow(longer, 13, nullptr, 0), 1);
    const int searches = desktop.FindWindowCalls();
    char other[] = "Notepad.exe";  // another program: no window is searched
    EXPECT_EQ(main.IsSkypeWindow(other, 11, nullptr, 0), 0);
    EXPECT_EQ(desktop.FindWindowCalls(), searches);
    EXPECT_EQ(main.IsSkypeWindow(nullptr, 0, nullptr, 0), -1);

    char detachedName[] = "Skype.exe";
    CSkypePlugin detached(kDetached, nullptr);
    EXPECT_EQ(detached.IsSkypeWindow(detachedName, 9, nullptr, 0), 0);
    EXPECT_STREQ(detachedName, "Skype.exe");
    CSkypePlugin none(0, nullptr);
    EXPECT_EQ(none.IsSkypeWindow(detachedName, 9, nullptr, 0), -8);
}

TEST_F(SkypePluginTest, FindsTheFirstVisibleConversation) {
    char buffer[64];
    CSkypePlugin main(kMain, nullptr);
    EXPECT_EQ(main.FindConversation(buffer, sizeof(buffer)), 1);
    EXPECT_STREQ(buffer, "Bob");
    EXPECT_EQ(main.FindConversation(buffer, 0), -1);
    desktop.SetVisible(kVisiblePane, false);
    EXPECT_EQ(main.FindConversation(buffer, sizeof(buffer)), 0);
    CSkypePlugin detached(kDetached, nullptr);
    EXPECT_EQ(detached.FindConversation(buffer, sizeof(buffer)), -52);
}

TEST_F(SkypePluginTest, ComposesConversationAndAccountIntoTheCapturesOwnBuffer) {
    char title[262] = "Skype - alice.smith";
    CSkypePlugin main(kMain, title);
    EXPECT_EQ(main.GetConversationTitle(title, 260), 1);
    EXPECT_STREQ(title, "Bob : alice.smith");
    EXPECT_STREQ(main.GetUserPart(), " alice.smith");

    // Read from the window when no title is borrowed.
    CSkypePlugin reading(kMain, nullptr);
    EXPECT_STREQ(reading.GetMainTitle(), "Skype - alice.smith");
    char buffer[64];
    EXPECT_EQ(reading.GetConversationTitle(buffer, sizeof(buffer)), 1);
    EXPECT_STREQ(buffer, "Bob : alice.smith");
}

TEST_F(SkypePluginTest, NoAccountOrNoConversationGivesZero) {
    char buffer[64];
    desktop.SetTitle(kMain, "Skype");
    CSkypePlugin noHyphen(kMain, nullptr);
    EXPECT_EQ(noHyphen.ParseUserPart(), 0);
    EXPECT_EQ(noHyphen.GetConversationTitle(buffer, sizeof(buffer)), 0);

    desktop.SetTitle(kMain, "");
    CSkypePlugin untitled(kMain, nullptr);
    EXPECT_EQ(untitled.ParseUserPart(), -8);
    EXPECT_EQ(untitled.GetConversationTitle(buffer, sizeof(buffer)), 0);

    desktop.SetTitle(kMain, "Skype - alice");
    desktop.SetVisible(kVisiblePane, false);
    CSkypePlugin hidden(kMain, nullptr);
    EXPECT_EQ(hidden.GetConversationTitle(buffer, sizeof(buffer)), 0);
    EXPECT_EQ(hidden.GetConversationTitle(nullptr, 5), -1);
}

TEST_F(SkypePluginTest, TheComposedTitleNeverOutgrowsItsBuffer) {
    // An account far longer than the room kept for it is cut at the end.
    const std::string account(200, 'a');
    desktop.SetTitle(kMain, "Skype -" + account);
    desktop.SetTitle(kVisiblePane, std::string(300, 'c'));
    std::string buffer(260 + 8, '#');
    CSkypePlugin main(kMain, nullptr);
    ASSERT_EQ(main.GetConversationTitle(buffer.data(), 260), 1);
    const std::string composed(buffer.c_str());
    EXPECT_EQ(composed.size(), 259u);
    EXPECT_EQ(composed.substr(0, 192), std::string(191, 'c') + " ");  // room kept for 64 of the account
    EXPECT_EQ(composed.substr(191, 2), " :");
    EXPECT_EQ(buffer.substr(260), std::string(8, '#'));

    // A buffer too small for any conversation title.
    char tiny[8];
    EXPECT_EQ(main.GetConversationTitle(tiny, sizeof(tiny)), 0);
    // Room for one character of the conversation: 8 - 2 (account) - 4 - 1.
    desktop.SetTitle(kMain, "Skype - a");
    desktop.SetTitle(kVisiblePane, "Bob");
    CSkypePlugin small(kMain, nullptr);
    char fits[8];
    EXPECT_EQ(small.GetConversationTitle(fits, sizeof(fits)), 1);
    EXPECT_STREQ(fits, "B : a");
}
}  // namespace
