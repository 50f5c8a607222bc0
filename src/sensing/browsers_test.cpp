#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "fakes/fake_dde.h"
#include "sensing/browser_readers.h"
#include "sensing/browser_report_listener.h"
#include "sensing/browser_reports.h"
#include "sensing/browsers_manager.h"
#include "support/silent_listener.h"
#include "support/temp_folder.h"

namespace {
CWinProcess Named(const char* fileName, uint32_t processId = 1, const char* title = nullptr) {
    CWinProcess process(processId, title);
    process.SetFileName(fileName);
    return process;
}

CBrowserReport Shown(uint32_t processId, int64_t window, std::string_view url, std::string_view title) {
    CBrowserReport report;
    report.processId = processId;
    report.windowId = window;
    report.url = url;
    report.title = title;
    return report;
}

// What the extension reader answers for a window of `processId` titled `windowTitle`.
std::string Reported(uint32_t processId, const char* windowTitle, int size = 512) {
    std::string buffer(static_cast<size_t>(size), '#');
    const int found = BrowserReports().FindAddress(processId, windowTitle, buffer.data(), size);
    if (found == 1) return buffer.c_str();
    std::string result = "(";  // the result code when nothing was found
    result += std::to_string(found);
    return result += ")";
}

// The process-wide reports start and end empty.
class BrowserExtension : public testing::Test {
protected:
    void SetUp() override { BrowserReports().Clear(); }
    void TearDown() override { BrowserReports().Clear(); }
};

// Every DDE instance, conversation, string and data handle was released.
void ExpectAllReleased(const CFakeDde& dde) {
    EXPECT_EQ(dde.OpenInstances(), 0);
    EXPECT_EQ(dde.OpenConversations(), 0);
    EXPECT_EQ(dde.OpenStringHandles(), 0);
    EXPECT_EQ(dde.OpenDataHandles(), 0);
}

TEST(BrowserReaders, RecogniseEachNameOfTheirBrowserOnThisTarget) {
    CIEBrowser ie;
    CFirefoxBrowser firefox;
    CChromeBrowser chrome;
    COperaBrowser opera;
    CYandexBrowser yandex;
    const CBrowserExecutables& names = BrowserExecutables();
    const std::pair<CBrowserBase*, std::span<const char* const>> readers[] = {{&ie, names.ie},
                                                                              {&firefox, names.firefox},
                                                                              {&chrome, names.chrome},
                                                                              {&opera, names.opera},
                                                                              {&yandex, names.yandex}};
    for (const auto& [reader, executables] : readers)
        for (const char* name : executables) {
            CWinProcess process = Named(name);
            EXPECT_EQ(reader->IsBrowserProcess(process), 1) << name;
        }
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
    CBrowsersManager manager;
    EXPECT_EQ(manager.FindURL(chrome, holder), 0);
    EXPECT_TRUE(manager.FoundBrowser());  // a browser, though without an address
    EXPECT_STREQ(chrome.GetFileName(), "chrome.exe");
    CWinProcess editor = Named("Editor.EXE");
    EXPECT_EQ(manager.FindURL(editor, holder), 0);
    EXPECT_FALSE(manager.FoundBrowser());
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
TEST(BrowserReport, TravelsWholeAndAnythingMalformedIsRefused) {
    char encoded[CBrowserReport::kMaxEncodedSize];
    const std::string url(CBrowserReport::kMaxUrl, 'u');
    const std::string title(CBrowserReport::kMaxTitle, 't');
    const size_t size = EncodeBrowserReport(Shown(4242, -5, url, title), encoded);
    ASSERT_EQ(size, CBrowserReport::kMaxEncodedSize);
    CBrowserReport decoded;
    ASSERT_TRUE(DecodeBrowserReport(encoded, size, decoded));
    EXPECT_EQ(decoded.kind, CBrowserReport::kShown);
    EXPECT_EQ(decoded.processId, 4242u);
    EXPECT_EQ(decoded.windowId, -5);
    EXPECT_EQ(decoded.url, url);
    EXPECT_EQ(decoded.title, title);

    EXPECT_EQ(EncodeBrowserReport(Shown(1, 1, url + "u", ""), encoded), 0u);
    EXPECT_EQ(EncodeBrowserReport(Shown(1, 1, "", title + "t"), encoded), 0u);
    CBrowserReport unknown = Shown(1, 1, "", "");
    unknown.kind = 3;
    EXPECT_EQ(EncodeBrowserReport(unknown, encoded), 0u);

    const size_t small = EncodeBrowserReport(Shown(1, 2, "http://a/", "A"), encoded);
    EXPECT_FALSE(DecodeBrowserReport(encoded, CBrowserReport::kHeaderSize - 1, decoded));  // a cut header
    EXPECT_FALSE(DecodeBrowserReport(encoded, CBrowserReport::kHeaderSize + 3, decoded));  // a cut address
    encoded[0] = 7;                                                                        // an unknown kind
    EXPECT_FALSE(DecodeBrowserReport(encoded, small, decoded));
    std::string tooLong(CBrowserReport::kHeaderSize + CBrowserReport::kMaxTitle + 1, '\0');
    tooLong[0] = CBrowserReport::kShown;  // no address, a title one byte too long
    EXPECT_FALSE(DecodeBrowserReport(tooLong.data(), tooLong.size(), decoded));
}

TEST_F(BrowserExtension, TheWindowInFrontIsFoundByItsProcessAndTitle) {
    CBrowserReports& reports = BrowserReports();
    EXPECT_FALSE(reports.HasProcess(10));
    reports.Apply(1, Shown(10, 1, "https://mail.example/", "Inbox (3)"));
    reports.Apply(1, Shown(10, 2, "https://news.example/", "News"));
    reports.Apply(2, Shown(11, 1, "https://other.example/", "News"));
    EXPECT_TRUE(reports.HasProcess(10));
    EXPECT_EQ(Reported(10, "News - Chromium"), "https://news.example/");
    EXPECT_EQ(Reported(10, "Inbox (3) \xE2\x80\x94 Mozilla Firefox"), "https://mail.example/");
    EXPECT_EQ(Reported(11, "News - Chromium"), "https://other.example/");
    // A window no report names (a private one), another process, no title.
    EXPECT_EQ(Reported(10, "Private - Chromium"), "(0)");
    EXPECT_EQ(Reported(12, "News - Chromium"), "(0)");
    EXPECT_EQ(Reported(10, ""), "(0)");
    EXPECT_EQ(Reported(10, "New"), "(0)") << "a short title must hold the whole tab title";
    // A window title that the capture cut matches a tab title that goes on.
    const std::string longTitle(300, 'L');
    reports.Apply(1, Shown(10, 3, "https://long.example/", longTitle));
    EXPECT_EQ(Reported(10, longTitle.substr(0, 259).c_str()), "https://long.example/");
    // Of two windows with the same title, the one reported last; an address
    // is cut to the buffer.
    reports.Apply(1, Shown(10, 4, "https://news2.example/", "News"));
    EXPECT_EQ(Reported(10, "News - Chromium"), "https://news2.example/");
    EXPECT_EQ(Reported(10, "News - Chromium", 6), "https");
    EXPECT_EQ(BrowserReports().FindAddress(10, "News", nullptr, 5), -1);
    // A window reported again takes its new address.
    reports.Apply(1, Shown(10, 2, "https://news.example/today", "News"));
    EXPECT_EQ(Reported(10, "News - Chromium"), "https://news.example/today");

    // Closed windows and ended hosts are forgotten.
    CBrowserReport closed = Shown(10, 2, "", "");
    closed.kind = CBrowserReport::kClosed;
    reports.Apply(1, closed);
    EXPECT_EQ(Reported(10, "News - Chromium"), "https://news2.example/");
    reports.ForgetConnection(1);
    EXPECT_FALSE(reports.HasProcess(10));
    EXPECT_TRUE(reports.HasProcess(11));
}

TEST_F(BrowserExtension, TheTableKeepsTheWindowsReportedLast) {
    for (int window = 1; window <= CBrowserReports::kCapacity + 8; ++window) {
        const std::string title = "Window " + std::to_string(window);
        BrowserReports().Apply(1, Shown(10, window, "https://" + std::to_string(window) + ".example/", title));
    }
    EXPECT_EQ(Reported(10, "Window 8 - Chromium"), "(0)");
    EXPECT_EQ(Reported(10, "Window 9 - Chromium"), "https://9.example/");
    EXPECT_EQ(Reported(10, "Window 40 - Chromium"), "https://40.example/");
}

TEST_F(BrowserExtension, AnswersAfterTheNamedReaders) {
    CFakeDde dde;
    BrowserReports().Apply(1, Shown(20, 1, "https://reported.example/", "Page"));
    CBrowserBase holder;
    // A browser that no reader reads: the report.
    CWinProcess chrome = Named("chrome.exe", 20, "Page - Google Chrome");
    EXPECT_EQ(CBrowsersManager().FindURL(chrome, holder), 1);
    EXPECT_STREQ(holder.GetURL(), "https://reported.example/");
    // Firefox over DDE as before, when it answers.
    dde.Answer("firefox", "WWW_GetWindowInfo", "0xFFFFFFFF", CFakeDde::BrowserReply("https://dde.example/", "Page"));
    CWinProcess firefox = Named("firefox.exe", 20, "Page \xE2\x80\x94 Mozilla Firefox");
    EXPECT_EQ(CBrowsersManager().FindURL(firefox, holder), 1);
    EXPECT_STREQ(holder.GetURL(), "https://dde.example/");
    // Any program that the host named, whatever its file name.
    CWinProcess other = Named("msedge", 20, "Page - Work - Microsoft Edge");
    EXPECT_EQ(CBrowsersManager().FindURL(other, holder), 1);
    EXPECT_STREQ(holder.GetURL(), "https://reported.example/");
    // Its private window, and another process: nothing, the holder untouched.
    holder.SetURL("kept", 10);
    CWinProcess privateWindow = Named("chrome.exe", 20, "Secret - Google Chrome");
    EXPECT_EQ(CBrowsersManager().FindURL(privateWindow, holder), 0);
    CWinProcess elsewhere = Named("chrome.exe", 21, "Page - Google Chrome");
    EXPECT_EQ(CBrowsersManager().FindURL(elsewhere, holder), 0);
    EXPECT_STREQ(holder.GetURL(), "kept");
    ExpectAllReleased(dde);
}

TEST_F(BrowserExtension, AChannelHeldByAnotherProgramIsAnError) {
    // Whoever holds the collector's place (another account's program on
    // Windows) receives what the hosts send: no address reaches this one.
    const std::string name =
        BrowserChannelName() + "-held-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    CSilentListener holder(name);
    ASSERT_TRUE(holder.Holding());
    CTempFolder folder;
    {  // the logs are read once let go (Windows holds them exclusively)
        CDebugController log;
        ASSERT_EQ(log.SetLogFiles(LOG_INFO | LOG_ERROR, folder.Str().c_str(), 0), 1);
        log.SetLevel(1);
        CBrowserReportListener listener;
        EXPECT_EQ(listener.Start(log, name), -7);
    }
    const std::string errors = ReadFileBytes(folder.File("QLOCollector_Error.log"));
    EXPECT_NE(errors.find("CBrowserReportListener::Start (2) Another program holds \"" + name +
                          "\": no addresses from the browser extension"),
              std::string::npos)
        << errors;
}
}  // namespace
