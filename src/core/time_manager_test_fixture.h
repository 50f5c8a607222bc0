#pragma once
// Test fixture of the time manager suites: a collector started for real
// (registry settings of the target's test registry, folders under a
// temporary application-data folder, real SQLite files) on a scripted desktop
// and clock. An editor is in front; the collector runs as HOST\alice.
//
// Times are set, not advanced: At() puts the clock on a given second and
// sends one event, so the rows carry exactly the times a test names (the
// database pauses move the fake clock on by milliseconds only).
//
// The log files are held open while the time manager lives; Logs() ends the
// time manager first and then reads them.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/time_manager.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_dde.h"
#include "fakes/fake_desktop.h"
#include "fakes/fake_folders.h"
#include "fakes/fake_processes.h"
#include "platform/path.h"
#include "sensing/time_stamp.h"
#include "sensing/user.h"
#include "support/raw_database.h"
#include "support/temp_folder.h"
#include "support/test_registry.h"

inline constexpr char kMainKey[] = "SOFTWARE\\Belvane\\Orvanta";

// A local time from its packed form, 20261207090000 for 7 December 2026 09:00.
inline CLocalTime Time(int64_t stamp) { return UnpackTimeStamp(stamp); }
// The packed time `seconds` after `stamp`.
inline int64_t After(int64_t stamp, int64_t seconds) {
    return PackTimeStamp(MsToLocalTime(LocalTimeToMs(Time(stamp)) + seconds * 1000));
}

// The lines of a log file without their time stamps and without the two
// header lines of a new file.
std::vector<std::string> LogLines(const std::string& path);
// How many of `lines` contain `text`.
int CountContaining(const std::vector<std::string>& lines, const std::string& text);

class TimeManagerTest : public ::testing::Test {
protected:
    static constexpr WindowHandle kMainWindow = 1;
    static constexpr WindowHandle kEditorWindow = 10, kBrowserWindow = 11, kSheetWindow = 12;
    static constexpr uint32_t kCollector = 50, kEditor = 100, kBrowser = 200, kSheet = 300;

    TimeManagerTest();
    ~TimeManagerTest() override;

    // Writes the settings and starts the collector's Init; its result.
    // `firstStart` < 0 leaves the "First Start" value out.
    int Init(int firstStart = 0, uint32_t tickPeriodMs = 1000);
    // A second run of the collector on the same folders: the previous time
    // manager is deinitialised and ended without an orderly stop (so the
    // activity in progress is not saved, as after a crash or a power cut),
    // then Init runs again.
    int Restart(int firstStart = 0);
    // Ticks every second from `from` (exclusive) to `to` (inclusive).
    void TickThrough(int64_t from, int64_t to);
    // Sets the clock to `stamp` and starts the tracking there (as the start
    // event does, without the worker thread).
    void StartAt(int64_t stamp);
    // Sets the clock to `stamp` and sends `event` (the periodic check by default).
    void At(int64_t stamp, int event = EVENT_CHECK_ACTIVITY);
    // The editor, the browser or the spreadsheet comes to the front with `title`.
    void Show(WindowHandle window, const std::string& title);

    // The rows of an activity file, "start-finish duration type title", in
    // the order stored.
    std::vector<std::string> Rows(const std::string& file = "act1226.db");
    std::string DbFile(const std::string& name) const { return dbFolder + kPathSeparator + name; }
    // Ends the time manager and reads the two logs.
    void EndAndReadLogs();

    CFakeClock clock{Time(20261207090000)};
    CFakeDesktop desktop;
    CFakeProcesses processes;
    CFakeDde dde;
    CTempFolder temp;
    const std::string install = temp.Str() + kPathSeparator + "Install";
    const std::string appData = temp.Str() + kPathSeparator + "AppData";
    const std::string dataFolder = appData + kPathSeparator + "Orvanta";
    const std::string logsFolder = dataFolder + kPathSeparator + "Logs";
    const std::string dbFolder = dataFolder + kPathSeparator + "DB";
    CTestRegistry registry;
    CFakeFolders folders{appData};
    std::unique_ptr<CTimeManager> tm;
    std::vector<std::string> infoLog, errorLog;
};
