#include "collector_harness_win.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "core/activity_checkpoint.h"
#include "sensing/time_stamp.h"

namespace {
const char kOrvantaKey[] = "SOFTWARE\\Belvane\\Orvanta";
const char kUserShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kAppData[] = "AppData";
// What the shell's own settings hold for the folder.
const char kDefaultAppData[] = "%USERPROFILE%\\AppData\\Roaming";
// Every sandbox folder's name holds this (CTempFolder's prefix).
const char kSandboxMark[] = "qlo-test-";

std::string ReadUserValue(const char* key, const char* name) {
    char value[MAX_PATH * 2] = {};
    DWORD size = sizeof(value) - 1;
    if (RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, value,
                     &size) != ERROR_SUCCESS)
        return "";
    return value;
}

void WriteUserValue(const char* key, const char* name, DWORD type, const std::string& value) {
    HKEY handle;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(handle, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(handle);
}

const char kActivitiesQuery[] =
    "select a.StartDate, a.FinishDate, a.Duration, a.Id_ActivityType, a.Title, coalesce(a.URL, ''), a.Id_User, "
    "a.Id_App, a.Id_Site, a.Id_Project, a.Id_Task, coalesce(u.Name, ''), coalesce(p.FileName, ''), "
    "coalesce(p.Path, ''), coalesce(s.URL, ''), coalesce(pr.Name, ''), coalesce(t.Name, '') "
    "from T_Activities a "
    "left join sys.T_Users u on u.Id_User = a.Id_User "
    "left join sys.T_Apps p on p.Id_App = a.Id_App "
    "left join sys.T_Sites s on s.Id_Site = a.Id_Site "
    "left join func.T_Projects pr on pr.Id_Project = a.Id_Project "
    "left join func.T_Tasks t on t.Id_Task = a.Id_Task "
    "order by a.StartDate, a.Id_Activity";

std::string Text(sqlite3_stmt* statement, int column) {
    const unsigned char* text = sqlite3_column_text(statement, column);
    return text ? reinterpret_cast<const char*>(text) : "";
}

// Opens an existing database for reading; waits for the collector's writes.
sqlite3* OpenExisting(const std::string& path) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 5000);
    return db;
}

void AppendActivities(const std::string& file, const std::string& dbFolder, std::vector<CActivityRow>& rows) {
    sqlite3* db = OpenExisting(file);
    if (!db) {
        ADD_FAILURE() << "cannot open " << file;
        return;
    }
    const std::string attach = "attach '" + dbFolder + "\\sys.db' as sys; attach '" + dbFolder + "\\func.db' as func;";
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_exec(db, attach.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db, kActivitiesQuery, -1, &statement, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << file << ": " << sqlite3_errmsg(db);
        sqlite3_close(db);
        return;
    }
    while (sqlite3_step(statement) == SQLITE_ROW) {
        CActivityRow row;
        row.start = sqlite3_column_int64(statement, 0);
        row.finish = sqlite3_column_int64(statement, 1);
        row.duration = sqlite3_column_int64(statement, 2);
        row.type = sqlite3_column_int(statement, 3);
        row.title = Text(statement, 4);
        row.url = Text(statement, 5);
        row.userId = sqlite3_column_int(statement, 6);
        row.appId = sqlite3_column_int(statement, 7);
        row.siteId = sqlite3_column_int(statement, 8);
        row.projectId = sqlite3_column_int(statement, 9);
        row.taskId = sqlite3_column_int(statement, 10);
        row.userName = Text(statement, 11);
        row.fileName = Text(statement, 12);
        row.path = Text(statement, 13);
        row.site = Text(statement, 14);
        row.project = Text(statement, 15);
        row.task = Text(statement, 16);
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
}

// Dispatches messages until `handle` is signalled or the time is up.
bool WaitDispatching(HANDLE handle, uint32_t timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return false;
        const DWORD woke = MsgWaitForMultipleObjects(handle ? 1 : 0, handle ? &handle : nullptr, FALSE,
                                                     timeoutMs - elapsed, QS_ALLINPUT);
        if (handle && woke == WAIT_OBJECT_0) return true;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}
}  // namespace

CAppDataRedirect::CAppDataRedirect(const std::string& folder)
    : m_userShellFolder(ReadUserValue(kUserShellFolders, kAppData)),
      m_shellFolder(ReadUserValue(kShellFolders, kAppData)) {
    // A test that was ended by force left its redirection behind.
    if (m_userShellFolder.empty() || m_userShellFolder.find(kSandboxMark) != std::string::npos)
        m_userShellFolder = kDefaultAppData;
    if (m_shellFolder.find(kSandboxMark) != std::string::npos) m_shellFolder.clear();
    WriteUserValue(kUserShellFolders, kAppData, REG_EXPAND_SZ, folder);
    WriteUserValue(kShellFolders, kAppData, REG_SZ, folder);
}

CAppDataRedirect::~CAppDataRedirect() {
    WriteUserValue(kUserShellFolders, kAppData, REG_EXPAND_SZ, m_userShellFolder);
    if (!m_shellFolder.empty()) WriteUserValue(kShellFolders, kAppData, REG_SZ, m_shellFolder);
}

CCollectorSandbox::CCollectorSandbox() {
    std::filesystem::create_directory(InstallFolder());
    std::filesystem::create_directory(AppDataFolder());
    m_appData = std::make_unique<CAppDataRedirect>(AppDataFolder());
    EXPECT_TRUE(m_registry.SetString(kOrvantaKey, "Path", InstallFolder()));
    EXPECT_TRUE(m_registry.SetNumber(kOrvantaKey, "First Start", 1));
    EXPECT_TRUE(m_registry.SetNumber(kOrvantaKey, "QLOCollector Log Level", 1));
}

std::string CCollectorSandbox::CopyProgram(const std::string& helper, const std::string& fileName) {
    const std::string folder = m_temp.File("programs" + std::to_string(++m_copies));
    std::filesystem::create_directory(folder);
    const std::string copy = folder + "\\" + fileName;
    EXPECT_TRUE(CopyFileA(ProgramBesideTest(helper).c_str(), copy.c_str(), FALSE)) << copy;
    return copy;
}

std::vector<CActivityRow> CCollectorSandbox::Activities() const {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(DbFolder(), error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("act", 0) == 0 && entry.path().extension() == ".db") files.push_back(entry.path().string());
    }
    std::vector<CActivityRow> rows;
    for (const auto& file : files)
        AppendActivities(file, DbFolder(), rows);
    std::stable_sort(rows.begin(), rows.end(),
                     [](const CActivityRow& a, const CActivityRow& b) { return a.start < b.start; });
    return rows;
}

std::vector<CActivityRow> CCollectorSandbox::ActivitiesTitled(const std::string& title, int type) const {
    std::vector<CActivityRow> titled;
    for (auto& row : Activities()) {
        if (row.title == title && (type == 0 || row.type == type)) titled.push_back(std::move(row));
    }
    return titled;
}

bool CCollectorSandbox::WaitForRow(const std::string& title, uint32_t timeoutMs) const {
    return WaitUntil([&] { return !ActivitiesTitled(title).empty(); }, timeoutMs);
}

bool CCollectorSandbox::WaitForCurrentActivity(const std::string& title, int seconds, uint32_t timeoutMs) const {
    int64_t start = 0;
    const bool named = WaitUntil(
        [&] {
            CActivityCheckpoint checkpoint;
            checkpoint.SetFolder(DbFolder(), '\\');
            CCheckpointState state;
            std::string why;
            int damaged = 0;
            if (checkpoint.Read(state, why, damaged) != 1 || !state.hasCurrent || title != state.current.GetTitle())
                return false;
            start = state.current.GetStartDate();
            return true;
        },
        timeoutMs);
    return named && WaitUntilPast(start, seconds, timeoutMs);
}

int CCollectorSandbox::ExecCatalogue(const std::string& sql) const {
    sqlite3* db = OpenExisting(DbFolder() + "\\func.db");
    if (!db) return SQLITE_CANTOPEN;
    const int result = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return result;
}

CCollector::~CCollector() {
    if (!m_process.hProcess) return;
    uint32_t ignored;
    if (IsRunning() && (!Post(WM_CLOSE) || !WaitForExit(15000, ignored))) {
        TerminateProcess(m_process.hProcess, 1);
        WaitForSingleObject(m_process.hProcess, 5000);
    }
    CloseHandle(m_process.hProcess);
    CloseHandle(m_process.hThread);
}

bool CCollector::Start(uint32_t timeoutMs) {
    if (m_process.hProcess) return false;
    const std::string path = CollectorPath();
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    std::string commandLine = "\"" + path + "\"";
    if (!CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &m_process))
        return false;
    const DWORD start = GetTickCount();
    const bool found = WaitUntil(
        [this] {
            HWND window = FindCollectorWindow();
            DWORD owner = 0;
            if (window) GetWindowThreadProcessId(window, &owner);
            if (owner == m_process.dwProcessId) m_window = window;
            return m_window != nullptr || !IsRunning();
        },
        timeoutMs);
    if (!found || !m_window) return false;
    // The window answers once its thread runs the message loop, which it
    // enters after the time manager's Init and start event.
    DWORD_PTR result = 0;
    const DWORD left = timeoutMs - std::min<DWORD>(timeoutMs, GetTickCount() - start);
    return SendMessageTimeoutA(m_window, WM_NULL, 0, 0, SMTO_NORMAL, left, &result) != 0;
}

bool CCollector::IsRunning() const {
    return m_process.hProcess && WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT;
}

bool CCollector::WaitForExit(uint32_t timeoutMs, uint32_t& exitCode) {
    if (!m_process.hProcess || !WaitDispatching(m_process.hProcess, timeoutMs)) return false;
    DWORD code = 0;
    GetExitCodeProcess(m_process.hProcess, &code);
    exitCode = code;
    return true;
}

LRESULT CCollector::Send(UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    EXPECT_TRUE(SendMessageTimeoutA(m_window, message, wParam, lParam, SMTO_NORMAL, 30000, &result))
        << "message " << message;
    return static_cast<LRESULT>(result);
}

bool CCollector::Post(UINT message, WPARAM wParam, LPARAM lParam) {
    return PostMessageA(m_window, message, wParam, lParam) != 0;
}

bool CCollector::Responds(uint32_t timeoutMs) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(m_window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
}

void CCollector::Kill() {
    if (!IsRunning()) return;
    TerminateProcess(m_process.hProcess, 9);
    WaitForSingleObject(m_process.hProcess, 10000);
}

HWND FindCollectorWindow() { return FindWindowA("QLOCollector", nullptr); }

std::string ActivityFileNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char name[16];
    std::snprintf(name, sizeof(name), "act%02u%02u.db", now.wMonth, now.wYear % 100u);
    return name;
}

std::string CollectorPath() { return ProgramBesideTest("QLOCollector.exe"); }

CProgramRun RunQloctl(const std::vector<std::string>& arguments) {
    return RunProgram(ProgramBesideTest("qloctl.exe"), arguments);
}

std::string OutputLine(const CProgramRun& run) {
    std::string line = run.output;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return line;
}

void CloseCollector(CCollector& collector) {
    const CProgramRun close = RunQloctl({"close"});
    EXPECT_EQ(close.exitCode, 0u) << close.output;
    uint32_t exitCode = 1;
    EXPECT_TRUE(collector.WaitForExit(15000, exitCode));
    EXPECT_EQ(exitCode, 0u);
}

std::string CurrentUserName() {
    char name[256] = {};
    DWORD size = sizeof(name);
    GetUserNameA(name, &size);
    return name;
}

bool WaitUntil(const std::function<bool()>& condition, uint32_t timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Pause(200);
    }
}

bool WaitUntilPast(int64_t stamp, int seconds, uint32_t timeoutMs) {
    return WaitUntil([&] { return SecondsBetween(stamp, NowTimeStamp()) >= seconds; }, timeoutMs);
}

void Pause(uint32_t milliseconds) { WaitDispatching(nullptr, milliseconds); }

void SendUserInput() {
    INPUT moves[2] = {};
    for (int i = 0; i < 2; ++i) {
        moves[i].type = INPUT_MOUSE;
        moves[i].mi.dx = i == 0 ? 1 : -1;
        moves[i].mi.dwFlags = MOUSEEVENTF_MOVE;
    }
    SendInput(2, moves, sizeof(INPUT));
}

bool StartWindow(CHelperProcess& helper, const std::string& program, const std::string& title,
                 std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"--title", title});
    return helper.Start(program, arguments);
}
