#pragma once
// What the end-to-end tests of QLOCollector.exe share: a sandbox that gives
// the collector its registry settings and an empty data folder of its own,
// the running collector itself, the programs that drive it, and the rows it
// stores, read back with SQLite.
//
// The collector is the real program built beside the test, started under
// Wine like any other; the helper programs of tests/system/helpers/ stand in
// for the user's programs, and qloctl for the desktop application. The tests
// share one desktop and one registry (ctest resource locks "desktop" and
// "registry").

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/helper_process.h"
#include "support/temp_folder.h"
#include "support/test_registry.h"

// One row of T_Activities with the names its ids stand for (empty when an
// id refers to nothing).
struct CActivityRow {
    int64_t start = 0;
    int64_t finish = 0;
    int64_t duration = 0;
    int type = 0;
    std::string title;
    std::string url;
    int userId = 0;
    int appId = 0;
    int siteId = 0;
    int projectId = 0;
    int taskId = 0;
    std::string userName;  // T_Users.Name
    std::string fileName;  // T_Apps.FileName
    std::string path;      // T_Apps.Path
    std::string site;      // T_Sites.URL
    std::string project;   // T_Projects.Name
    std::string task;      // T_Tasks.Name
};

// Activity types as stored in Id_ActivityType.
enum : int { kActive = 1, kIdle = 2, kLocked = 3, kOffline = 4 };

// Points the user's application-data folder (the shell's "AppData" folder of
// the current user) at another folder while it lives, and back afterwards.
class CAppDataRedirect {
public:
    explicit CAppDataRedirect(const std::string& folder);
    ~CAppDataRedirect();
    CAppDataRedirect(const CAppDataRedirect&) = delete;
    CAppDataRedirect& operator=(const CAppDataRedirect&) = delete;

private:
    std::string m_userShellFolder;  // the value found, REG_EXPAND_SZ
    std::string m_shellFolder;      // the value found, REG_SZ
};

// Everything one test's collector sees: the settings under
// HKLM\SOFTWARE\Belvane\Orvanta as an installer writes them ("Path" an
// existing install folder, "First Start" 1, "QLOCollector Log Level" 1), an
// empty application-data folder, and a folder for copies of the helper
// programs under the names of the programs they stand for. Everything is
// removed again at the end.
class CCollectorSandbox {
public:
    CCollectorSandbox();
    ~CCollectorSandbox() = default;

    std::string InstallFolder() const { return m_temp.File("install"); }
    std::string AppDataFolder() const { return m_temp.File("appdata"); }
    std::string DataFolder() const { return AppDataFolder() + "\\Orvanta"; }
    std::string LogsFolder() const { return DataFolder() + "\\Logs"; }
    std::string DbFolder() const { return DataFolder() + "\\DB"; }

    // A copy of the helper program `helper` (built beside the test) named
    // `fileName` in a folder of its own; its full path.
    std::string CopyProgram(const std::string& helper, const std::string& fileName);

    // Every stored activity of every monthly file, in the order of their start.
    std::vector<CActivityRow> Activities() const;
    // The rows whose title is `title`, of the type `type` when it is not 0.
    std::vector<CActivityRow> ActivitiesTitled(const std::string& title, int type = 0) const;
    // Waits until a row titled `title` is stored.
    bool WaitForRow(const std::string& title, uint32_t timeoutMs = 15000) const;
    // Waits until the collector's activity in progress (as its checkpoint
    // names it) has the title `title` and began at least `seconds` ago by
    // this machine's clock, so that the next change leaves it a row of at
    // least that length.
    bool WaitForCurrentActivity(const std::string& title, int seconds = 1, uint32_t timeoutMs = 15000) const;
    // The settings the collector reads, for a test to add its own.
    CTestRegistry& Registry() { return m_registry; }
    // Runs `sql` on the catalogue database func.db; SQLite's result code.
    int ExecCatalogue(const std::string& sql) const;

private:
    CTempFolder m_temp;
    CTestRegistry m_registry;
    std::unique_ptr<CAppDataRedirect> m_appData;
    int m_copies = 0;
};

// QLOCollector.exe, started by the test. The destructor ends a collector
// still running (WM_CLOSE, then by force).
class CCollector {
public:
    CCollector() = default;
    ~CCollector();
    CCollector(const CCollector&) = delete;
    CCollector& operator=(const CCollector&) = delete;

    // Starts the program and waits until its window exists and its message
    // loop runs (the time manager has then been initialised and started).
    // False when it did not get that far within `timeoutMs`.
    bool Start(uint32_t timeoutMs = 30000);
    HWND Window() const { return m_window; }
    uint32_t ProcessId() const { return m_process.dwProcessId; }
    bool IsRunning() const;
    // Waits up to `timeoutMs` for the process to end; false when it still runs.
    bool WaitForExit(uint32_t timeoutMs, uint32_t& exitCode);
    // Sends `message` to the window and returns when the collector has handled it.
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    bool Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // True when the window handles a sent WM_NULL within `timeoutMs`: its
    // thread still runs its message loop.
    bool Responds(uint32_t timeoutMs = 5000);
    // Ends the process without warning, as a kill or a crash does.
    void Kill();

private:
    PROCESS_INFORMATION m_process{};
    HWND m_window = nullptr;
};

// The window of class "QLOCollector", or nullptr.
HWND FindCollectorWindow();
// "actMMYY.db" for the local date now.
std::string ActivityFileNow();
// QLOCollector.exe beside the test.
std::string CollectorPath();
// Runs qloctl.exe with `arguments` to its end.
CProgramRun RunQloctl(const std::vector<std::string>& arguments);
// What a program wrote, without the line end of its last line.
std::string OutputLine(const CProgramRun& run);
// Stops the collector in order with "qloctl close", as the desktop
// application does, and waits for its end; test failures when either fails.
void CloseCollector(CCollector& collector);
// The account name of the user running the test (and the collector).
std::string CurrentUserName();

// Waits until this machine's clock shows a time at least `seconds` after
// the packed local time `stamp`.
bool WaitUntilPast(int64_t stamp, int seconds, uint32_t timeoutMs = 15000);

// Polls `condition` every 200 ms, dispatching messages meanwhile, until it
// holds (true) or `timeoutMs` have passed (false).
bool WaitUntil(const std::function<bool()>& condition, uint32_t timeoutMs);
// Dispatches the calling thread's messages for `milliseconds`.
void Pause(uint32_t milliseconds);
// Moves the mouse by one pixel and back: user input now.
void SendUserInput();

// Starts a window helper program with the title `title` and further
// `arguments`; it takes the foreground. False when it did not get ready.
bool StartWindow(CHelperProcess& helper, const std::string& program, const std::string& title,
                 std::vector<std::string> arguments = {});
