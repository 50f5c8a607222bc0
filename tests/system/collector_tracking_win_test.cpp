// QLOCollector.exe following the user: window switches, a browser's address,
// the messenger's conversation and a minute without input, each read back
// from the rows it stores.
#include <gtest/gtest.h>
#include <shlobj.h>

#include "collector_harness_win.h"
#include "support/raw_database.h"
#include "support/temp_folder.h"

namespace {
// The window in front as this test sees it: its title, class and process.
std::string ForegroundWindow() {
    HWND window = GetForegroundWindow();
    char title[256] = {}, windowClass[256] = {};
    GetWindowTextA(window, title, sizeof title);
    GetClassNameA(window, windowClass, sizeof windowClass);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    std::string text = "\"";
    text.append(title).append("\" (class ").append(windowClass).append(", process ").append(std::to_string(process));
    return text.append(IsWindowVisible(window) ? ", visible)" : ", hidden)");
}

// The application-data folder as the shell gives it now.
std::string AppDataFolder() {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

TEST(ProgramTracking, WindowSwitchesBecomeRowsWithProgramUserAndCategory) {
    CCollectorSandbox sandbox;
    // The file name as the file system has it; the collector lower-cases it.
    const std::string excel = sandbox.CopyProgram("window_helper.exe", "EXCEL.EXE");
    const std::string budget = "Budget 2026.xlsx - Excel";
    const std::string notes = "Bob's notes.txt - Notepad";
    const std::string plan = "Untitled plan";
    CHelperProcess first, second, third;
    ASSERT_TRUE(StartWindow(first, excel, budget));
    CCollector collector;
    ASSERT_TRUE(collector.Start());
    ASSERT_TRUE(sandbox.WaitForCurrentActivity(budget));
    ASSERT_TRUE(StartWindow(second, sandbox.CopyProgram("window_helper.exe", "notepad.exe"), notes));
    ASSERT_TRUE(sandbox.WaitForRow(budget));
    ASSERT_TRUE(sandbox.WaitForCurrentActivity(notes));
    ASSERT_TRUE(StartWindow(third, ProgramBesideTest("window_helper.exe"), plan));
    ASSERT_TRUE(sandbox.WaitForRow(notes));
    ASSERT_TRUE(sandbox.WaitForCurrentActivity(plan));
    CloseCollector(collector);

    const auto rows = sandbox.Activities();
    ASSERT_EQ(rows.size(), 3u);
    const CActivityRow &spreadsheet = rows[0], &editor = rows[1], &unknown = rows[2];
    EXPECT_EQ(spreadsheet.title, budget);
    EXPECT_EQ(spreadsheet.fileName, "excel.exe");
    EXPECT_EQ(_stricmp(spreadsheet.path.c_str(), excel.c_str()), 0) << spreadsheet.path;
    EXPECT_EQ(spreadsheet.project, "Business");
    EXPECT_EQ(spreadsheet.task, "Accounting");
    EXPECT_EQ(editor.title, notes) << "the title is stored exactly, its quote too";
    EXPECT_EQ(editor.fileName, "notepad.exe");
    EXPECT_EQ(editor.project, "Design & Composition");
    EXPECT_EQ(editor.task, "Writing");
    EXPECT_EQ(unknown.title, plan);
    EXPECT_EQ(unknown.fileName, "window_helper.exe");
    EXPECT_EQ(unknown.project, "Uncategorized");
    EXPECT_EQ(unknown.task, "Uncategorized");
    for (const auto& row : rows) {
        EXPECT_EQ(row.type, kActive) << row.title;
        EXPECT_GT(row.duration, 0) << row.title;
        EXPECT_EQ(row.userName, CurrentUserName()) << row.title;
        EXPECT_EQ(row.userId, rows[0].userId) << "one user for all";
        EXPECT_EQ(row.url, "");
        EXPECT_EQ(row.siteId, 0);
    }
    // One row ends where the next begins.
    EXPECT_EQ(spreadsheet.finish, editor.start);
    EXPECT_EQ(editor.finish, unknown.start);
    EXPECT_NE(spreadsheet.appId, editor.appId);
}

TEST(ProgramTracking, BrowserRowsCarryTheAddressAndItsSite) {
    CCollectorSandbox sandbox;
    const std::string plainTitle = "Example Domain - Internet Explorer";
    const std::string videoTitle = "A video - Internet Explorer";
    const std::string plainAddress = "http://www.example.com/docs/page.html?id=7";
    CHelperProcess server, browser, other;
    ASSERT_TRUE(server.Start(ProgramBesideTest("dde_server_helper.exe"),
                             {"--service", "IExplore", "--address", plainAddress, "--page-title", "Example"}));
    ASSERT_TRUE(StartWindow(browser, sandbox.CopyProgram("window_helper.exe", "iexplore.exe"), plainTitle));
    CCollector collector;
    ASSERT_TRUE(collector.Start());
    ASSERT_TRUE(sandbox.WaitForCurrentActivity(plainTitle));

    // A page of a site that has a rule of its own in the default catalogue.
    CRawDatabase catalogue(sandbox.DbFolder() + "\\func.db");
    std::string videoSite = catalogue.Value(
        "select r.URL from T_Rules r join T_Tasks t using (Id_Task) where t.Name = 'Video' and r.URL <> ''");
    ASSERT_NE(videoSite, "");
    if (videoSite.back() == '/') videoSite.pop_back();
    const std::string videoAddress = videoSite + "/watch?v=abc";
    EXPECT_EQ(server.Command("address " + videoAddress), "ok address");
    EXPECT_EQ(browser.Command("title " + videoTitle), "ok title");
    ASSERT_TRUE(sandbox.WaitForRow(plainTitle));
    ASSERT_TRUE(sandbox.WaitForCurrentActivity(videoTitle));
    ASSERT_TRUE(StartWindow(other, ProgramBesideTest("window_helper.exe"), "After browsing"));
    ASSERT_TRUE(sandbox.WaitForRow(videoTitle));
    CloseCollector(collector);

    const auto plain = sandbox.ActivitiesTitled(plainTitle);
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_EQ(plain[0].fileName, "iexplore.exe");
    EXPECT_EQ(plain[0].url, plainAddress);
    EXPECT_EQ(plain[0].site, "http://www.example.com");
    EXPECT_EQ(plain[0].project, "Utilities");
    EXPECT_EQ(plain[0].task, "Web browsers");
    const auto video = sandbox.ActivitiesTitled(videoTitle);
    ASSERT_EQ(video.size(), 1u);
    EXPECT_EQ(video[0].url, videoAddress);
    EXPECT_EQ(video[0].site, videoSite);
    EXPECT_NE(video[0].siteId, plain[0].siteId);
    EXPECT_EQ(video[0].project, "Entertainment");
    EXPECT_EQ(video[0].task, "Video");
}

TEST(ProgramTracking, TheMessengerIsRecordedUnderItsOpenConversation) {
    CCollectorSandbox sandbox;
    CHelperProcess messenger;
    ASSERT_TRUE(
        messenger.Start(sandbox.CopyProgram("messenger_helper.exe", "Skype.exe"),
                        {"--title", "Skype - test.user", "--hidden", "Hidden chat", "--visible", "Alice Smith"}));
    CCollector collector;
    ASSERT_TRUE(collector.Start());
    ASSERT_TRUE(sandbox.WaitForCurrentActivity("Alice Smith : test.user"));
    // Another conversation comes to the front: a new activity.
    EXPECT_EQ(messenger.Command("hide 2"), "ok hide");
    EXPECT_EQ(messenger.Command("show 1"), "ok show");
    ASSERT_TRUE(sandbox.WaitForRow("Alice Smith : test.user"));
    ASSERT_TRUE(sandbox.WaitForCurrentActivity("Hidden chat : test.user"));
    CloseCollector(collector);

    const auto rows = sandbox.Activities();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].title, "Alice Smith : test.user");
    EXPECT_EQ(rows[1].title, "Hidden chat : test.user");
    for (const auto& row : rows) {
        EXPECT_EQ(row.fileName, "skype.exe");
        EXPECT_EQ(row.project, "Communication & Scheduling");
        EXPECT_EQ(row.task, "Instant Messages & Chats");
    }
}

TEST(ProgramTracking, PrivateProgramsSitesTitlesAndConversationsLeaveNoTraceInTheDataFolder) {
    CCollectorSandbox sandbox;
    const char key[] = "SOFTWARE\\Belvane\\Orvanta\\Privacy";
    ASSERT_TRUE(sandbox.Registry().SetString(key, "Programs nothing", "keepass*.exe"));
    ASSERT_TRUE(sandbox.Registry().SetString(key, "Sites details", "bank.example"));
    ASSERT_TRUE(sandbox.Registry().SetString(key, "Titles details", "*diagnosis*; Dr. *"));
    const std::vector<std::string> secrets{"Passwords.kdbx", "keepass",   "bank.example",
                                           "Statement",      "diagnosis", "Dr. House"};
    // Waits until `count` private rows are stored and the activity after
    // them has lasted a second, so that the next switch stores it too.
    auto storedPrivate = [&](size_t count) {
        return WaitUntil([&] { return sandbox.ActivitiesTitled("private").size() >= count; }, 15000) &&
               WaitUntilPast(sandbox.Activities().back().finish, 1);
    };
    CHelperProcess vault, notes, server, browser, messenger, other;
    ASSERT_TRUE(
        StartWindow(vault, sandbox.CopyProgram("window_helper.exe", "KeePass.exe"), "Passwords.kdbx - KeePass"));
    CCollector collector;
    ASSERT_TRUE(collector.Start());
    ASSERT_TRUE(sandbox.WaitForCurrentActivity("private"));
    ASSERT_TRUE(StartWindow(notes, sandbox.CopyProgram("window_helper.exe", "notepad.exe"), "My diagnosis - Notepad"));
    ASSERT_TRUE(storedPrivate(1));
    ASSERT_TRUE(server.Start(
        ProgramBesideTest("dde_server_helper.exe"),
        {"--service", "IExplore", "--address", "https://online.bank.example/statement", "--page-title", "Statement"}));
    ASSERT_TRUE(StartWindow(browser, sandbox.CopyProgram("window_helper.exe", "iexplore.exe"),
                            "Statement - Internet Explorer"));
    ASSERT_TRUE(storedPrivate(2));
    ASSERT_TRUE(messenger.Start(sandbox.CopyProgram("messenger_helper.exe", "Skype.exe"),
                                {"--title", "Skype - test.user", "--visible", "Dr. House"}));
    ASSERT_TRUE(storedPrivate(3));
    ASSERT_TRUE(StartWindow(other, ProgramBesideTest("window_helper.exe"), "After private time"));
    ASSERT_TRUE(storedPrivate(4));
    // While it runs (its logs are not readable then): databases, journals, checkpoint.
    EXPECT_EQ(FilesHolding(sandbox.DbFolder(), secrets), "");
    CloseCollector(collector);
    EXPECT_EQ(FilesHolding(sandbox.DataFolder(), secrets), "");

    const auto rows = sandbox.ActivitiesTitled("private");
    ASSERT_EQ(rows.size(), 4u);
    const char* programs[] = {"private", "notepad.exe", "iexplore.exe", "skype.exe"};
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].fileName, programs[i]);
        EXPECT_GT(rows[i].duration, 0) << programs[i];
        EXPECT_EQ(rows[i].type, kActive) << programs[i];
        EXPECT_EQ(rows[i].url, "") << programs[i];
        EXPECT_EQ(rows[i].siteId, 0) << programs[i];
    }
    EXPECT_EQ(rows[0].path, "[PRIVATE]");
    EXPECT_EQ(rows[0].task, "Uncategorized");
    EXPECT_EQ(rows[3].task, "Instant Messages & Chats");  // the rules still know the program
}

TEST(ProgramTracking, AMinuteWithoutInputIsStoredAsIdle) {
    CCollectorSandbox sandbox;
    const std::string title = "Reading a long report";
    CHelperProcess reader;
    ASSERT_TRUE(StartWindow(reader, ProgramBesideTest("window_helper.exe"), title, {"--no-input"}));
    SendUserInput();
    CCollector collector;
    ASSERT_TRUE(collector.Start());
    // The active row is stored when the capture turns idle, a minute after
    // the input; counted from the collector's first check of the window,
    // which a loaded machine may delay. The window takes the front again
    // (without input) while the collector does not see it there.
    std::string answer;
    if (!WaitUntil(
            [&] {
                if (sandbox.WaitForCurrentActivity(title, 1, 5000)) return true;
                answer = reader.Command("foreground");
                return false;
            },
            60000)) {
        const std::string inFront = ForegroundWindow();
        collector.Kill();  // its logs cannot be read while it runs
        FAIL() << "in front: " << inFront << "; the reader is process " << reader.ProcessId() << " and said \""
               << answer << "\"; the application-data folder is now " << AppDataFolder() << "; information log:\n"
               << ReadFileBytes(sandbox.LogsFolder() + "\\QLOCollector.log") << "error log:\n"
               << ReadFileBytes(sandbox.LogsFolder() + "\\QLOCollector_Error.log");
    }
    ASSERT_TRUE(sandbox.WaitForRow(title, 120000));
    EXPECT_EQ(reader.Command("input on"), "ok input on");
    ASSERT_TRUE(WaitUntil([&] { return sandbox.ActivitiesTitled(title).size() == 2; }, 15000));
    ASSERT_TRUE(sandbox.WaitForCurrentActivity(title));
    CloseCollector(collector);

    const auto rows = sandbox.ActivitiesTitled(title);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].type, kActive);
    EXPECT_EQ(rows[1].type, kIdle);
    EXPECT_EQ(rows[2].type, kActive);
    EXPECT_EQ(rows[1].start, rows[0].finish);
    EXPECT_EQ(rows[2].start, rows[1].finish);
    EXPECT_EQ(rows[1].project, "Idle");
    EXPECT_EQ(rows[1].taskId, 0);
    EXPECT_EQ(rows[2].project, "Uncategorized");
}
}  // namespace
