#include "core/time_manager_test_fixture.h"

#include <sstream>

namespace {
// "dd/mm/yyyy hh:mm:ss.mmm " before every message.
constexpr size_t kStampLength = 24;
constexpr size_t kHeaderLines = 2;
}  // namespace

std::vector<std::string> LogLines(const std::string& path) {
    std::istringstream content(ReadFileBytes(path));
    std::vector<std::string> lines;
    std::string line;
    for (size_t number = 0; std::getline(content, line); ++number) {
        if (number < kHeaderLines) continue;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line.size() >= kStampLength ? line.substr(kStampLength) : line);
    }
    return lines;
}

int CountContaining(const std::vector<std::string>& lines, const std::string& text) {
    int count = 0;
    for (const std::string& line : lines)
        if (line.find(text) != std::string::npos) ++count;
    return count;
}

TimeManagerTest::TimeManagerTest() {
    std::filesystem::create_directory(install);
    std::filesystem::create_directory(appData);
    processes.AddProcess(kEditor, "Editor.exe", "C:\\Apps\\Editor.exe");
    processes.AddProcess(kBrowser, "firefox.exe", "C:\\Firefox\\firefox.exe");
    processes.AddProcess(kSheet, "EXCEL.EXE", "C:\\Program Files\\Office\\EXCEL.EXE");
    processes.SetCurrentProcessId(kCollector);
    processes.SetAccount(kCollector, "HOST", "alice");
    for (uint32_t process : {kEditor, kBrowser, kSheet})
        processes.SetAccount(process, "HOST", "alice");
    desktop.Show(kEditorWindow, kEditor, "notes.txt - Editor");
    g_currentUser = CUser();
}

TimeManagerTest::~TimeManagerTest() {
    tm.reset();
    g_currentUser = CUser();
}

int TimeManagerTest::Init(int firstStart, uint32_t tickPeriodMs) {
    registry.SetString(kMainKey, "Path", install);
    registry.SetNumber(kMainKey, "QLOCollector Log Level", 3);
    if (firstStart >= 0) registry.SetNumber(kMainKey, "First Start", static_cast<uint32_t>(firstStart));
    tm = std::make_unique<CTimeManager>(tickPeriodMs);
    return tm->Init(kMainWindow);
}

int TimeManagerTest::Restart(int firstStart) {
    if (tm) tm->Deinit();
    tm.reset();
    registry.SetNumber(kMainKey, "First Start", static_cast<uint32_t>(firstStart));
    tm = std::make_unique<CTimeManager>();
    return tm->Init(kMainWindow);
}

void TimeManagerTest::TickThrough(int64_t from, int64_t to) {
    for (int64_t stamp = After(from, 1); stamp <= to; stamp = After(stamp, 1))
        At(stamp);
}

void TimeManagerTest::StartAt(int64_t stamp) {
    clock.Set(Time(stamp));
    tm->FindLastActivity(NowMoment());
}

void TimeManagerTest::At(int64_t stamp, int event) {
    clock.Set(Time(stamp));
    tm->OnEvent(event);
}

void TimeManagerTest::Show(WindowHandle window, const std::string& title) {
    const uint32_t owner = window == kBrowserWindow ? kBrowser : window == kSheetWindow ? kSheet : kEditor;
    desktop.Show(window, owner, title);
}

std::vector<std::string> TimeManagerTest::Rows(const std::string& file) {
    CRawDatabase act(DbFile(file));
    std::vector<std::string> rows;
    for (const auto& row : act.Rows("select StartDate || '-' || FinishDate, Duration, Id_ActivityType, Title from "
                                    "T_Activities order by Id_Activity"))
        rows.push_back(row[0] + " " + row[1] + " " + row[2] + " " + row[3]);
    return rows;
}

void TimeManagerTest::EndAndReadLogs() {
    tm.reset();
    infoLog = LogLines(logsFolder + kPathSeparator + "QLOCollector.log");
    errorLog = LogLines(logsFolder + kPathSeparator + "QLOCollector_Error.log");
}
