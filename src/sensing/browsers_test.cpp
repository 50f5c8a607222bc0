#include <gtest/gtest.h>

#include <string>

#include "fakes/fake_dde.h"
#include "sensing/browser_readers.h"
#include "sensing/browsers_manager.h"

namespace {
CWinProcess Named(const char* fileName) {
    CWinProcess process(1);
    process.SetFileName(fileName);
    return process;
}

// Every DDE instance, conversation, string and data handle was released.
void ExpectAllReleased(const CFakeDde& dde) {
    EXPECT_EQ(dde.OpenInstances(), 0);
    EXPECT_EQ(dde.OpenConversations(), 0);
    EXPECT_EQ(dde.OpenStringHandles(), 0);
    EXPECT_EQ(dde.OpenDataHandles(), 0);
}

TEST(BrowserReaders, RecogniseTheirExecutableWholeAndLowerCaseIt) {
    CFirefoxBrowser firefox;
    CWinProcess mixed = Named("FireFox.EXE");
    EXPECT_EQ(firefox.IsBrowserProcess(mixed), 1);
    EXPECT_STREQ(mixed.GetFileName(), "firefox.exe");
    CWinProcess longer = Named("firefox.exe.bak");
    EXPECT_EQ(firefox.IsBrowserProcess(longer), 0);
    CYandexBrowser yandex;
    CWinProcess browser = Named("Browser.exe");
    EXPECT_EQ(yandex.IsBrowserProcess(browser), 1);
    CBrowserBase base;
    EXPECT_EQ(base.IsBrowserProcess(browser), 0);
}

TEST(BrowserReaders, NamesStayTerminatedWhenCut) {
    char name[32];
    EXPECT_EQ(CYandexBrowser().GetName(name, sizeof(name)), 1);
    EXPECT_STREQ(name, "CYaBrowser");
    EXPECT_EQ(CBrowserBase().GetName(name, sizeof(name)), 1);
    EXPECT_STREQ(name, "CBrowserBase");
    char shortName[6] = "#####";
    EXPECT_EQ(CFirefoxBrowser().GetName(shortName, sizeof(shortName)), 1);
    EXPECT_STREQ(shortName, "CFire");
    EXPECT_EQ(CIEBrowser().GetName(nullptr, 4), -1);
}

TEST(BrowserHolder, KeepsAtMost511Characters) {
    CBrowserBase holder;
    EXPECT_EQ(holder.SetURL(nullptr, 5), -1);
    EXPECT_EQ(holder.SetURL("x", 0), -1);
    const std::string text(600, 'u');
    EXPECT_EQ(holder.SetURL(text.c_str(), 510), 1);
    EXPECT_EQ(holder.GetURLLength(), 510);
    EXPECT_EQ(holder.SetURL(text.c_str(), 511), -10);
    EXPECT_EQ(holder.GetURLLength(), 511);
    EXPECT_EQ(holder.SetURL("http://a", 512), 1);
    EXPECT_STREQ(holder.GetURL(), "http://a");
    EXPECT_EQ(holder.GetURLLength(), 8);
}

TEST(BrowsersManager, ReadsTheAddressOfTheBrowserInFront) {
    CFakeDde dde;
    dde.Answer("firefox", "WWW_GetWindowInfo", "0xFFFFFFFF", CFakeDde::BrowserReply("https://example.org/", "Example"));
    CWinProcess process = Named("FIREFOX.exe");
    CBrowserBase holder;
    EXPECT_EQ(CBrowsersManager().FindURL(process, holder), 1);
    EXPECT_STREQ(holder.GetURL(), "https://example.org/");
    EXPECT_STREQ(process.GetFileName(), "firefox.exe");
    EXPECT_EQ(dde.LastFlags(), 0x3cd000u);
    ExpectAllReleased(dde);
}

TEST(BrowsersManager, ALongAddressIsCutToWhatTheHolderKeeps) {
    CFakeDde dde;
    const std::string address = "http://" + std::string(593, 'a');
    dde.Answer("IExplore", "WWW_GetWindowInfo", "0xFFFFFFFF", CFakeDde::BrowserReply(address, "Long"));
    CWinProcess process = Named("iexplore.exe");
    CBrowserBase holder;
    EXPECT_EQ(CBrowsersManager().FindURL(process, holder), 1);
    EXPECT_EQ(std::string(holder.GetURL()), address.substr(0, 511));
    ExpectAllReleased(dde);
}

TEST(BrowsersManager, AReplyWithoutCommaLosesItsOpeningQuoteOnly) {
    CFakeDde dde;
    dde.Answer("IExplore", "WWW_GetWindowInfo", "0xFFFFFFFF", CFakeDde::Terminated("\"http://plain\""));
    CWinProcess process = Named("iexplore.exe");
    CBrowserBase holder;
    EXPECT_EQ(CBrowsersManager().FindURL(process, holder), 1);
    EXPECT_STREQ(holder.GetURL(), "http://plain\"");
}

TEST(BrowsersManager, OnlyTheFirstClaimingReaderIsAsked) {
    CFakeDde dde;
    dde.Serve("IExplore", "WWW_GetWindowInfo");  // would answer nothing anyway
    CBrowserBase holder;
    holder.SetURL("kept", 10);
    CWinProcess chrome = Named("Chrome.exe");
    EXPECT_EQ(CBrowsersManager().FindURL(chrome, holder), 0);
    EXPECT_STREQ(chrome.GetFileName(), "chrome.exe");
    CWinProcess editor = Named("Editor.EXE");
    EXPECT_EQ(CBrowsersManager().FindURL(editor, holder), 0);
    EXPECT_STREQ(editor.GetFileName(), "editor.exe");
    EXPECT_STREQ(holder.GetURL(), "kept");
    EXPECT_EQ(dde.Requests(), 0);
    ExpectAllReleased(dde);
}

TEST(BrowsersManager, ABrowserThatDoesNotAnswerGivesZeroAndLeaksNothing) {
    CFakeDde dde;
    CWinProcess firefox = Named("firefox.exe");
    CBrowserBase holder;
    EXPECT_EQ(CBrowsersManager().FindURL(firefox, holder), 0);  // no server
    dde.Serve("firefox", "WWW_GetWindowInfo");
    EXPECT_EQ(CBrowsersManager().FindURL(firefox, holder), 0);  // no reply
    dde.FailInitialize(true);
    EXPECT_EQ(CBrowsersManager().FindURL(firefox, holder), 0);
    EXPECT_EQ(holder.GetURLLength(), 0);
    ExpectAllReleased(dde);
}
}  // namespace
