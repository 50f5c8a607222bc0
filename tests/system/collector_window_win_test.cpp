// What reaches QLOCollector.exe through its hidden window: session lock and
// unlock, clock changes, and the About box.
#include <windows.h>
// windows.h first: wtsapi32.h needs its types.
#include <gtest/gtest.h>
#include <wtsapi32.h>

#include <random>

#include "collector_harness_win.h"

namespace {
const UINT kAboutCommand = 104;

struct CAboutSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK MatchAboutBox(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<CAboutSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[32] = {}, title[32] = {};
    GetClassNameA(window, className, sizeof(className));
    GetWindowTextA(window, title, sizeof(title));
    if (owner != search->processId || std::string(className) != "#32770" || std::string(title) != "About") return TRUE;
    search->found = window;
    return FALSE;
}

// The About box of the collector's process, or nullptr.
HWND FindAboutBox(DWORD processId) {
    CAboutSearch search{processId, nullptr};
    EnumWindows(MatchAboutBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The texts of the dialog's controls, in their order.
std::vector<std::string> ControlTexts(HWND dialog) {
    std::vector<std::string> texts;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char text[128] = {};
        GetWindowTextA(child, text, sizeof(text));
        texts.push_back(text);
    }
    return texts;
}

// Presses the keys in order and releases them in reverse order.
void PressKeys(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        inputs.push_back(input);
    }
    for (auto key = keys.end(); key != keys.begin();) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = *--key;
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

HWND WaitForAboutBox(const CCollector& collector) {
    HWND dialog = nullptr;
    WaitUntil([&] { return (dialog = FindAboutBox(collector.ProcessId())) != nullptr; }, 10000);
    return dialog;
}

TEST(ProgramWindow, LockingAndUnlockingTheSessionGiveALockedRow) {
    CCollectorSandbox sandbox;
    const std::string title = "Before the lock - Excel";
    CHelperProcess window;
    ASSERT_TRUE(StartWindow(window, sandbox.CopyProgram("window_helper.exe", "excel.exe"), title));
    CCollector collector;
    ASSERT_TRUE(collector.Start());
    ASSERT_TRUE(sandbox.WaitForCurrentActivity(title));
    // Connects, disconnects, logons, logoffs and the like are no lock.
    for (WPARAM change : {WTS_CONSOLE_CONNECT, WTS_CONSOLE_DISCONNECT, WTS_REMOTE_CONNECT, WTS_REMOTE_DISCONNECT,
                          WTS_SESSION_LOGON, WTS_SESSION_LOGOFF, WTS_SESSION_REMOTE_CONTROL})
        collector.Send(WM_WTSSESSION_CHANGE, change);
    ASSERT_TRUE(sandbox.WaitForCurrentActivity(title, 3));
    collector.Send(WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK);
    ASSERT_TRUE(sandbox.WaitForCurrentActivity(title, 2));  // now the Locked one
    collector.Send(WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK);
    EXPECT_EQ(window.Command("foreground"), "ok foreground");
    ASSERT_TRUE(sandbox.WaitForCurrentActivity(title));
    CloseCollector(collector);

    const auto rows = sandbox.Activities();
    ASSERT_GE(rows.size(), 3u);
    const CActivityRow &before = rows[0], &locked = rows[1], &after = rows[2];
    EXPECT_EQ(before.title, title);
    EXPECT_EQ(before.type, kActive);
    EXPECT_GE(before.duration, 3) << "the other session changes did not end it";
    // The locked time keeps the program and title in front when it began.
    EXPECT_EQ(locked.type, kLocked);
    EXPECT_EQ(locked.title, title);
    EXPECT_EQ(locked.fileName, "excel.exe");
    EXPECT_EQ(locked.start, before.finish);
    EXPECT_GE(locked.duration, 2);
    EXPECT_EQ(locked.project, "Locked");
    EXPECT_EQ(locked.taskId, 0);
    EXPECT_EQ(after.type, kActive);
    EXPECT_EQ(after.start, locked.finish);
    EXPECT_EQ(rows.back().title, title);
}

// A lock comes while the checks of the worker thread meet every foreground
// there is: another program's window, none at all (the one in front went
// away), and the collector's own window, which it brings to the front at a
// lock. Whatever the order, the window keeps answering and the close
// handshake still ends the program.
TEST(ProgramWindow, AHundredLocksRightAfterWindowChangesLeaveTheWindowAnswering) {
    CCollectorSandbox sandbox;
    CHelperProcess window;
    ASSERT_TRUE(StartWindow(window, sandbox.CopyProgram("window_helper.exe", "excel.exe"), "Ledger - Excel"));
    CCollector collector;
    ASSERT_TRUE(collector.Start());
    const unsigned seed = GetTickCount();
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayMs(0, 500);
    for (int cycle = 0; cycle < 100; ++cycle) {
        // Comes to the front, or leaves it empty; the lock follows at a
        // random moment of the checks that meet it.
        EXPECT_NE(window.Command(cycle % 2 ? "background" : "foreground"), "");
        Pause(delayMs(random));
        ASSERT_TRUE(collector.Post(WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK));
        ASSERT_TRUE(collector.Responds(5000)) << "after the lock of cycle " << cycle << " (seed " << seed << ")";
        ASSERT_TRUE(collector.Post(WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK));
        ASSERT_TRUE(collector.Responds(5000)) << "after the unlock of cycle " << cycle << " (seed " << seed << ")";
    }
    CloseCollector(collector);

    const auto rows = sandbox.Activities();
    ASSERT_GE(rows.size(), 2u);
    for (size_t i = 1; i < rows.size(); ++i)
        EXPECT_EQ(rows[i].start, rows[i - 1].finish) << "row " << i << " follows the one before";
    // Every lock and unlock was handled. Most of these locks last less than
    // the second a row needs, so only the few that span one leave a row.
    const std::string log = ReadFileBytes(sandbox.LogsFolder() + "\\QLOCollector.log");
    const auto count = [&log](const std::string& line) {
        int found = 0;
        for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1))
            ++found;
        return found;
    };
    EXPECT_EQ(count("State: Locked"), 100);
    EXPECT_EQ(count("State: Unlocked"), 100);
}

TEST(ProgramWindow, AClockChangeBroadcastReachesTheHiddenWindowAndStartsANewRow) {
    CCollectorSandbox sandbox;
    const std::string title = "Timesheet - Excel";
    CHelperProcess window;
    ASSERT_TRUE(StartWindow(window, sandbox.CopyProgram("window_helper.exe", "excel.exe"), title));
    CCollector collector;
    ASSERT_TRUE(collector.Start());
    ASSERT_TRUE(sandbox.WaitForCurrentActivity(title));
    // The clock itself is left alone: a change of at most a minute forward
    // (here none) ends the activity in progress and starts the same one anew.
    DWORD_PTR ignored;
    ASSERT_TRUE(SendMessageTimeoutA(HWND_BROADCAST, WM_TIMECHANGE, 0, 0, SMTO_ABORTIFHUNG, 10000, &ignored));
    ASSERT_TRUE(sandbox.WaitForRow(title));
    ASSERT_TRUE(sandbox.WaitForCurrentActivity(title));
    CloseCollector(collector);

    const auto rows = sandbox.Activities();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].title, title);
    EXPECT_EQ(rows[1].title, title);
    EXPECT_EQ(rows[0].type, kActive);
    EXPECT_EQ(rows[1].type, kActive);
    EXPECT_EQ(rows[1].start, rows[0].finish);
    const std::string info = ReadFileBytes(sandbox.LogsFolder() + "\\QLOCollector.log");
    EXPECT_NE(info.find("Time was changed"), std::string::npos);
}

TEST(ProgramWindow, TheAboutBoxOpensOnItsCommandAndAcceleratorsAndClosesWithOkOrEscape) {
    CCollectorSandbox sandbox;
    CCollector collector;
    ASSERT_TRUE(collector.Start());

    ASSERT_TRUE(collector.Post(WM_COMMAND, kAboutCommand));
    HWND dialog = WaitForAboutBox(collector);
    ASSERT_NE(dialog, nullptr);
    const auto texts = ControlTexts(dialog);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[1], "QLO Collector, Version 1.0");
    EXPECT_NE(texts[2], "");
    EXPECT_EQ(texts[3], "OK");
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), collector.Window());
    SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 10000)) << "OK closes it";

    // Alt with "/", then Alt with "?" (Shift and "/" on the test display's
    // keyboard), typed while the hidden window has the keyboard.
    for (bool question : {false, true}) {
        ASSERT_TRUE(SetForegroundWindow(collector.Window()));
        if (question) {
            PressKeys({VK_MENU, VK_SHIFT, VK_OEM_2});
        } else {
            PressKeys({VK_MENU, VK_OEM_2});
        }
        dialog = WaitForAboutBox(collector);
        ASSERT_NE(dialog, nullptr) << (question ? "Alt+?" : "Alt+/");
        // Escape goes to the window that has the keyboard.
        ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == dialog; }, 10000));
        PressKeys({VK_ESCAPE});
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 10000)) << "Escape closes it";
    }

    // A command the window does not know changes nothing.
    collector.Send(WM_COMMAND, 999);
    EXPECT_TRUE(collector.IsRunning());
    EXPECT_EQ(FindAboutBox(collector.ProcessId()), nullptr);
}
}  // namespace
