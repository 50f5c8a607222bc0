// End-to-end tests of the Linux collector: the real qlocollector, started on
// the test run's X display with a settings file and empty folders of its own
// (every XDG folder points into a temporary folder), driven by programs that
// are copies of qlo_x11_windows named like the programs they stand for, by
// qloctl and by a logind on a private bus. Every check reads what the
// collector leaves on disk: its lock file, folders, logs and databases.
//
// The clock cannot be set by a test, so the clock-change path is covered
// below the process (the event loop's watch, the shell's handler through the
// time manager), not here.
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/instance_lock_linux.h"
#include "support/child_process_linux.h"
#include "support/private_bus_linux.h"
#include "support/scoped_environment_linux.h"
#include "support/sway_compositor_linux.h"
#include "support/temp_folder.h"
#include "support/wait_until.h"

namespace fs = std::filesystem;

namespace {
using Texts = std::vector<std::string>;

// The local time as the collector stores it: yyyymmddhhmmss.
long long PackedNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return (local.tm_year + 1900LL) * 10000000000LL + (local.tm_mon + 1LL) * 100000000LL + local.tm_mday * 1000000LL +
           local.tm_hour * 10000LL + local.tm_min * 100LL + local.tm_sec;
}

// Waits until the clock has passed the second `packed`.
bool WaitPastSecond(long long packed) {
    return WaitUntil([&] { return PackedNow() > packed; });
}

// True while signals sent to process `pid` wait to be taken (the
// collector's are blocked until its event loop reads them).
bool SignalsPending(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if ((line.rfind("SigPnd:", 0) == 0 || line.rfind("ShdPnd:", 0) == 0) &&
            line.find_first_not_of("0", line.find_first_not_of(" \t", 7)) != std::string::npos)
            return true;
    return false;
}

// True while a thread of process `pid` waits in poll() on two descriptors
// for 5000 ms: the collector's worker in its quiet wait, on its stop event
// and the X connection (no other wait of the collector looks like it; the
// numbers are x86-64's).
bool InQuietWait(pid_t pid) {
    const fs::path tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    for (const auto& task : fs::directory_iterator(tasks, error)) {
        std::ifstream syscall(task.path() / "syscall");
        std::string number, descriptors, count, timeoutMs;
        if (syscall >> number >> descriptors >> count >> timeoutMs && number == "7" && count == "0x2" &&
            timeoutMs == "0x1388")
            return true;
    }
    return false;
}

// Runs `command` with sh, standard error with standard output: its exit
// code; `output` gets what it wrote.
int RunToEnd(const std::string& command, std::string* output = nullptr) {
    CChildProcess shell("sh", {"sh", "-c", command + " 2>&1"});
    std::string line, text;
    while (shell.ReadLine(line))
        text += line + "\n";
    if (output) *output = text;
    return shell.Wait();
}

// Runs statements on a database file that the collector may be using at the
// same time; the rows they return as "a|b|c" texts.
Texts Query(const std::string& file, const std::string& sql) {
    Texts rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 2000);
        auto collect = [](void* out, int count, char** values, char**) {
            std::string row;
            for (int i = 0; i < count; ++i) {
                if (i > 0) row += '|';
                row += values[i] ? values[i] : "";
            }
            static_cast<Texts*>(out)->push_back(row);
            return 0;
        };
        char* error = nullptr;
        if (sqlite3_exec(db, sql.c_str(), collect, &rows, &error) != SQLITE_OK) {
            ADD_FAILURE() << sql << ": " << (error ? error : "?");
            sqlite3_free(error);
        }
    }
    sqlite3_close(db);
    return rows;
}

// A collector's world for one test: the folders it uses, its settings, and
// the programs that drive it.
class CollectorRun : public testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs an X display: run the tests through scripts/run_linux_tests.sh";
        for (const char* folder : {"data", "run", "config", "install", "bin"})
            fs::create_directory(temp.Path() / folder);
        WriteSettings(temp.File("install"), true);
    }

    // The settings file: the install folder, log level 1 and, when asked,
    // the first start that seeds the catalogue.
    void WriteSettings(const std::string& installFolder, bool firstStart) {
        std::ofstream(registryFile, std::ios::trunc) << "Windows Registry Editor Version 5.00\r\n\r\n"
                                                        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Belvane\\Orvanta]\r\n"
                                                        "\"Path\"=\""
                                                     << installFolder << "\"\r\n"
                                                     << (firstStart ? "\"First Start\"=dword:00000001\r\n" : "")
                                                     << "\"QLOCollector Log Level\"=dword:00000001\r\n";
    }

    void TearDown() override {
        // A collector still running after a failed test is ended in order.
        if (collector && collector->Pid() > 0) kill(collector->Pid(), SIGTERM);
    }

    std::string DataFile(const std::string& relative) const { return temp.File("data/Orvanta/" + relative); }
    std::string LockFile() const { return DataFile("qlocollector.lock"); }

    // Starts qlocollector; its standard error comes out as the child's output.
    std::unique_ptr<CChildProcess> Launch() {
        return std::make_unique<CChildProcess>("sh", Texts{"sh", "-c", "exec " + std::string(QLO_COLLECTOR) + " 2>&1"});
    }

    // Starts the collector and waits until it tracks.
    void Start() {
        collector = Launch();
        ASSERT_TRUE(collector->Started());
        ASSERT_TRUE(WaitUntil([&] { return FindRunningInstance(LockFile()) == collector->Pid(); }))
            << "the collector did not take its lock";
        const int start = ++starts;
        ASSERT_TRUE(WaitUntil([&] { return Count(InfoLog(), "Start process") == start; })) << "no start event";
        // The first capture follows the start event.
        ASSERT_TRUE(WaitUntil([&] {
            const Texts log = InfoLog();
            return Count(log, "Init activity") + Count(log, "Offline activity") + Count(log, "New activity") > 0;
        }));
    }

    // qloctl close; the collector's exit code.
    int Close() {
        std::string output;
        EXPECT_EQ(Qloctl({"close"}, &output), 0);
        EXPECT_EQ(output, "qloctl: the collector has stopped\n");
        EXPECT_TRUE(collector->WaitForEnd(10000));
        return collector->Wait();
    }

    // qlorules with `arguments` on the collector's folder, expected to exit
    // with 0; what it wrote.
    std::string Qlorules(const std::string& arguments) {
        std::string output;
        EXPECT_EQ(RunToEnd(std::string(QLO_QLORULES) + " --data " + DataFile("DB") + " " + arguments, &output), 0)
            << arguments << ": " << output;
        return output;
    }

    // Runs qloctl with `arguments`: its exit code; `output` gets what it wrote.
    int Qloctl(const Texts& arguments, std::string* output = nullptr) {
        std::string command = std::string(QLO_QLOCTL);
        for (const std::string& argument : arguments)
            command += " " + argument;
        return RunToEnd(command, output);
    }

    // qloctl with `arguments`, then a wait until the collector has taken the
    // signal it was sent.
    void Control(const Texts& arguments) {
        ASSERT_EQ(Qloctl(arguments), 0);
        ASSERT_TRUE(WaitUntil([&] { return !SignalsPending(collector->Pid()); }));
    }

    // Waits until the information log's latest new activity is one that
    // matches `what` (its type label, program or title), then until the
    // clock has passed the second it began: a change the collector sees
    // from then on leaves that activity at least a second long, so it is
    // stored.
    void WaitPastStartOf(const std::string& what) {
        long long start = 0;
        ASSERT_TRUE(WaitUntil([&] { return (start = LatestStart(what)) > 0; })) << "no activity " << what << " began";
        ASSERT_TRUE(WaitPastSecond(start));
    }

    // The start of the latest activity the information log says began, when
    // its line matches `what`; 0 otherwise.
    long long LatestStart(const std::string& what) {
        const Texts log = InfoLog();
        for (auto line = log.rbegin(); line != log.rend(); ++line) {
            for (const char* begun : {"New activity ", "Init activity: "}) {
                const size_t at = line->find(begun);
                if (at == std::string::npos) continue;
                if (line->find(what) == std::string::npos) return 0;
                return std::strtoll(line->c_str() + at + std::strlen(begun), nullptr, 10);
            }
        }
        return 0;
    }

    // A program named `name` showing one window titled `title`, which becomes
    // the active window; the user gives input there.
    std::unique_ptr<CChildProcess> Program(const std::string& name, const std::string& title) {
        const fs::path copy = temp.Path() / "bin" / name;
        if (!fs::exists(copy)) fs::copy_file(QLO_X11_WINDOWS, copy);
        auto program =
            std::make_unique<CChildProcess>(copy.string(), Texts{copy.string(), "--window", "main", name, title});
        std::string line;
        EXPECT_TRUE(program->ReadLine(line));
        EXPECT_EQ(line, "ready " + std::to_string(program->Pid()));
        Ask(*program, "input");
        return program;
    }

    // Runs a command of a window program; "ok" expected.
    static void Ask(CChildProcess& program, const std::string& command) {
        std::string answer;
        ASSERT_TRUE(program.WriteLine(command) && program.ReadLine(answer)) << command;
        ASSERT_EQ(answer.substr(0, 2), "ok") << command << ": " << answer;
    }

    // Brings the program's window to the front, with input.
    static void Activate(CChildProcess& program) {
        Ask(program, "activate main");
        Ask(program, "input");
    }

    // A query over every activity file (oldest month first) with sys.db and
    // func.db attached as "sys" and "func".
    Texts ActivityQuery(const std::string& sql) {
        Texts rows;
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(DataFile("DB")))
            if (entry.path().filename().string().rfind("act", 0) == 0) files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            const Texts part = Query(file.string(), "attach '" + DataFile("DB/sys.db") + "' as sys; attach '" +
                                                        DataFile("DB/func.db") + "' as func; " + sql);
            rows.insert(rows.end(), part.begin(), part.end());
        }
        return rows;
    }

    // The stored activities, oldest first: "type|file name|title|task" (the
    // task's name, "" for none).
    Texts Rows() {
        return ActivityQuery(
            "select a.Id_ActivityType, ifnull(p.FileName, ''), a.Title, ifnull(t.Name, '') from T_Activities a "
            "left join sys.T_Apps p on p.Id_App = a.Id_App left join func.T_Tasks t on t.Id_Task = a.Id_Task "
            "order by a.Id_Activity");
    }

    // The stored activities as "type title", oldest first, without the one
    // second of activity that is stored when a second boundary falls
    // between the start event and the lock event that follows it.
    Texts LockRows() {
        Texts rows = ActivityQuery("select Id_ActivityType || ' ' || Title from T_Activities order by Id_Activity");
        if (!rows.empty() && rows[0][0] == '1') {
            EXPECT_EQ(ActivityQuery("select Duration from T_Activities where Id_Activity = 1"), Texts{"1"});
            rows.erase(rows.begin());
        }
        return rows;
    }

    // Waits until `count` activities are stored; the rows then.
    Texts WaitForRows(size_t count, int limitMs = 60000) {
        Texts rows;
        WaitUntil([&] { return (rows = Rows()).size() >= count; }, limitMs);
        return rows;
    }

    Texts Log(const std::string& name) {
        std::istringstream content(ReadFileBytes(DataFile("Logs/" + name)));
        Texts lines;
        for (std::string line; std::getline(content, line);)
            lines.push_back(line.substr(0, line.find_last_not_of('\r') + 1));
        return lines;
    }
    Texts InfoLog() { return Log("QLOCollector.log"); }
    Texts ErrorLog() { return Log("QLOCollector_Error.log"); }
    static int Count(const Texts& lines, const std::string& text) {
        int count = 0;
        for (const std::string& line : lines)
            count += line.find(text) != std::string::npos;
        return count;
    }

    // Files are made as a usual session makes them, readable by others
    // unless a program says otherwise.
    CScopedUmask umask022{022};
    CTempFolder temp;
    const std::string registryFile = temp.File("registry.reg");
    CScopedEnvironment dataHome{"XDG_DATA_HOME", temp.File("data").c_str()};
    CScopedEnvironment runtime{"XDG_RUNTIME_DIR", temp.File("run").c_str()};
    CScopedEnvironment configHome{"XDG_CONFIG_HOME", temp.File("config").c_str()};
    CScopedEnvironment registry{"QLO_REGISTRY_FILE", registryFile.c_str()};
    // No system bus unless a test provides one.
    CScopedEnvironment systemBus{"DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + temp.File("no-bus")).c_str()};
    CScopedEnvironment session{"XDG_SESSION_ID", nullptr};
    // An X11 session unless a test says otherwise.
    CScopedEnvironment sessionType{"XDG_SESSION_TYPE", nullptr};
    CScopedEnvironment wayland{"WAYLAND_DISPLAY", nullptr};
    CScopedEnvironment currentDesktop{"XDG_CURRENT_DESKTOP", nullptr};
    std::unique_ptr<CChildProcess> collector;
    int starts = 0;
};

// The modes of the data folder and of everything in it that others can use:
// "path mode" lines, empty when all is private to the user.
Texts OpenToOthers(const std::string& folder) {
    Texts open;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        struct stat info {};
        lstat(entry.path().c_str(), &info);
        char mode[8];
        std::snprintf(mode, sizeof(mode), " %03o", info.st_mode & 0777);
        if (info.st_mode & 077) open.push_back(entry.path().string() + mode);
    }
    return open;
}

TEST_F(CollectorRun, OneInstanceWithItsFoldersLogsAndCatalogue) {
    // A data folder left readable by others (an older release, a copy) is
    // made private at start, and that is said once.
    fs::create_directories(DataFile("Logs/Archive"));
    std::ofstream(DataFile("Logs/Archive/old.log")) << "x";
    auto notepad = Program("notepad.exe", "report.txt - Notepad");
    Start();
    EXPECT_EQ(ReadFileBytes(LockFile()), std::to_string(collector->Pid()) + "\n");

    // A second start leaves at once, saying who runs, and leaves the first
    // one alone: from the session's shell, and from shells without its
    // runtime folder (ssh, su, cron) or with another one.
    const std::string sessionRuntime = temp.File("run");
    for (const char* runtimeFolder : {sessionRuntime.c_str(), static_cast<const char*>(nullptr), "/tmp"}) {
        CScopedEnvironment shellRuntime("XDG_RUNTIME_DIR", runtimeFolder);
        std::string output;
        EXPECT_EQ(RunToEnd(QLO_COLLECTOR, &output), 0);
        EXPECT_EQ(output, "qlocollector: a collector is running already (process " + std::to_string(collector->Pid()) +
                              "); this one leaves\n");
    }
    EXPECT_EQ(FindRunningInstance(LockFile()), collector->Pid());

    for (const char* folder : {"Logs", "Logs/Archive", "DB"})
        EXPECT_TRUE(fs::is_directory(DataFile(folder))) << folder;
    EXPECT_TRUE(fs::is_directory(temp.File("install")));
    EXPECT_EQ(InfoLog().at(0), "QLO Information Log");
    EXPECT_EQ(ErrorLog().at(0), "QLO Error Log");
    EXPECT_EQ(Count(InfoLog(), "CTimeManager::Init finished"), 1);
    // Without a system bus the collector says once that it cannot see locking.
    EXPECT_EQ(Count(ErrorLog(), "CCollectorShell::Start (1) Session lock and unlock are not recorded: no system bus"),
              1);
    EXPECT_EQ(Query(DataFile("DB/func.db"),
                    "select (select count(*) from T_Projects), (select count(*) from T_Tasks), "
                    "(select count(*) from T_Rules where Path is null or Path like '%.exe')"),
              Texts{"15|58|52"});  // and the Linux counterparts

    EXPECT_EQ(Close(), 0);
    EXPECT_EQ(FindRunningInstance(LockFile()), 0);
    EXPECT_EQ(Count(InfoLog(), "CTimeManager::Deinit finished"), 1);
    EXPECT_EQ(OpenToOthers(temp.File("data/Orvanta")), Texts{});
    EXPECT_EQ(
        Count(InfoLog(), "the data folder " + temp.File("data/Orvanta") + " was open to other users: 4 of its files"),
        1);
    // A first start in an empty month finds no stored activity (seven
    // tries), and a run of less than a second has nothing to store; nothing
    // else went wrong.
    const Texts errors = ErrorLog();
    EXPECT_EQ(Count(errors, "CTimeManager::LoadLastActivity Last DBase Activity = 0"), 7);
    for (size_t line = 2; line < errors.size(); ++line) {
        const bool expected = Count({errors[line]}, "Session lock and unlock are not recorded: no system bus") +
                                  Count({errors[line]}, "Last DBase Activity = 0") +
                                  Count({errors[line]}, "SaveLastActivity (3) GetDuration() = 0") ==
                              1;
        EXPECT_TRUE(expected) << errors[line];
    }
    // A restart seeds nothing twice.
    Start();
    EXPECT_EQ(Close(), 0);
    EXPECT_EQ(Query(DataFile("DB/func.db"), "select count(*) from T_Rules where Path is null or Path like '%.exe'"),
              Texts{"52"});
    EXPECT_EQ(Count(InfoLog(), "was open to other users"), 1);
}

TEST_F(CollectorRun, WindowSwitchesAreStoredAndCategorisedAsTheControlToolSays) {
    auto excel = Program("excel.exe", "budget.xlsx - Excel");
    auto notepad = Program("notepad.exe", "report.txt - Notepad");
    Start();
    WaitPastStartOf("report.txt - Notepad");
    Activate(*excel);
    Texts rows = WaitForRows(1);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], "1|notepad.exe|report.txt - Notepad|Writing");

    // Categorisation off: the spreadsheet's row gets no task.
    Control({"rules", "off"});
    WaitPastStartOf("budget.xlsx - Excel");
    Activate(*notepad);
    rows = WaitForRows(2);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1], "1|excel.exe|budget.xlsx - Excel|");

    // On again; a rule changed in the database counts only once reloaded.
    Control({"rules", "on"});
    Query(DataFile("DB/func.db"),
          "update T_Rules set Id_Task = (select Id_Task from T_Tasks where Name = 'Programming'), Id_Project = "
          "(select Id_Project from T_Tasks where Name = 'Programming') where Path = 'notepad.exe'");
    WaitPastStartOf("report.txt - Notepad");
    Activate(*excel);
    rows = WaitForRows(3);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2], "1|notepad.exe|report.txt - Notepad|Writing");
    Control({"reload-rules"});
    WaitPastStartOf("budget.xlsx - Excel");
    Activate(*notepad);
    rows = WaitForRows(4);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[3], "1|excel.exe|budget.xlsx - Excel|Accounting");

    // A title change is a new activity; the stop saves the one in progress.
    WaitPastStartOf("report.txt - Notepad");
    Ask(*notepad, "title main report.txt (saved) - Notepad");
    WaitForRows(5);
    WaitPastStartOf("report.txt (saved) - Notepad");
    EXPECT_EQ(Close(), 0);
    rows = Rows();
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[4], "1|notepad.exe|report.txt - Notepad|Programming");
    EXPECT_EQ(rows[5], "1|notepad.exe|report.txt (saved) - Notepad|Programming");
    // The rows follow each other without gaps or overlaps, and all belong
    // to the account that runs the collector.
    const Texts times = ActivityQuery("select StartDate, FinishDate from T_Activities order by Id_Activity");
    for (size_t i = 1; i < times.size(); ++i)
        EXPECT_EQ(times[i - 1].substr(times[i - 1].find('|') + 1), times[i].substr(0, times[i].find('|'))) << i;
    EXPECT_EQ(ActivityQuery("select distinct u.Name from T_Activities a join sys.T_Users u on u.Id_User = a.Id_User"),
              Texts{getpwuid(getuid())->pw_name});
}

TEST_F(CollectorRun, PrivateProgramsAndTitlesLeaveNoTraceInTheDataFolderAndTheirTimeStillCounts) {
    std::ofstream(registryFile, std::ios::app) << "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Belvane\\Orvanta\\Privacy]\r\n"
                                                  "\"Programs nothing\"=\"KeePassXC\"\r\n"
                                                  "\"Titles details\"=\"*diagnosis*\"\r\n";
    auto vault = Program("keepassxc", "Passwords.kdbx - KeePassXC");
    auto doctor = Program("gedit", "My diagnosis - gedit");
    auto notepad = Program("notepad.exe", "report.txt - Notepad");
    const Texts secrets{"Passwords.kdbx", "KeePassXC", "diagnosis"};
    Start();
    WaitPastStartOf("report.txt - Notepad");
    Activate(*vault);
    WaitPastStartOf("(A) private private");
    Activate(*doctor);
    WaitPastStartOf("(A) gedit private");
    // While it runs: journals, the checkpoint and the logs in their present state.
    EXPECT_EQ(FilesHolding(DataFile(""), secrets), "");
    Activate(*notepad);
    WaitPastStartOf("report.txt - Notepad");
    EXPECT_EQ(Close(), 0);
    EXPECT_EQ(FilesHolding(DataFile(""), secrets), "");
    EXPECT_EQ(
        ActivityQuery("select p.FileName || '|' || p.Path || '|' || a.Title || '|' || ifnull(a.URL, '') || '|' || "
                      "(a.Duration > 0) || '|' || ifnull(t.Name, '') from T_Activities a join sys.T_Apps p on "
                      "p.Id_App = a.Id_App left join func.T_Tasks t on t.Id_Task = a.Id_Task order by "
                      "a.Id_Activity"),
        (Texts{"notepad.exe|" + (temp.Path() / "bin/notepad.exe").string() + "|report.txt - Notepad||1|Writing",
               "private|[PRIVATE]|private||1|Uncategorized",
               // The rules still know the program of a row without its details.
               "gedit|" + (temp.Path() / "bin/gedit").string() + "|private||1|Writing",
               "notepad.exe|" + (temp.Path() / "bin/notepad.exe").string() + "|report.txt - Notepad||1|Writing"}));
}

TEST_F(CollectorRun, RulesToolEditsTheFilesWhileItRecordsAndTheNewRuleCountsOnceReloaded) {
    auto editor = Program("editor", "acme plan - editor");
    auto notepad = Program("notepad.exe", "report.txt - Notepad");
    Start();
    WaitPastStartOf("report.txt - Notepad");
    Activate(*editor);
    WaitPastStartOf("acme plan - editor");
    Activate(*notepad);
    ASSERT_EQ(WaitForRows(2).size(), 2u);

    const std::string added = Qlorules("projects add ACME");
    const size_t end = added.find(" added"), start = added.rfind("project ", end) + 8;
    const std::string acme = added.substr(start, end - start);
    EXPECT_NE(Qlorules("add --title acme --project " + acme).find("rules reload requested"), std::string::npos);
    ASSERT_TRUE(WaitUntil([&] { return !SignalsPending(collector->Pid()); }));
    Qlorules("apply");
    const auto projects = [&] {
        return ActivityQuery(
            "select a.Title || '|' || ifnull(p.Name, '') from T_Activities a left join "
            "func.T_Projects p on p.Id_Project = a.Id_Project order by a.Id_Activity");
    };
    EXPECT_EQ(projects()[1], "acme plan - editor|ACME");

    // The collector's own next row of the editor follows the new rule.
    WaitPastStartOf("report.txt - Notepad");
    Activate(*editor);
    WaitPastStartOf("acme plan - editor");
    Activate(*notepad);
    ASSERT_EQ(WaitForRows(4).size(), 4u);
    WaitPastStartOf("report.txt - Notepad");
    EXPECT_EQ(Close(), 0);
    const Texts rows = projects();
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[3], "acme plan - editor|ACME");
    EXPECT_EQ(rows[4].substr(0, rows[4].find('|')), "report.txt - Notepad");
    // Nothing lost, doubled or moved: the rows follow each other.
    const Texts times = ActivityQuery("select StartDate, FinishDate from T_Activities order by Id_Activity");
    for (size_t i = 1; i < times.size(); ++i)
        EXPECT_EQ(times[i - 1].substr(times[i - 1].find('|') + 1), times[i].substr(0, times[i].find('|'))) << i;
}

TEST_F(CollectorRun, ForgetWhileItRecordsLeavesThePrivateTextInNoFileAndTheRowsFollowingEachOther) {
    auto editor = Program("editor", "private plan - editor");
    auto notepad = Program("notepad.exe", "report.txt - Notepad");
    Start();
    WaitPastStartOf("report.txt - Notepad");
    Activate(*editor);
    WaitPastStartOf("private plan - editor");
    Activate(*notepad);
    ASSERT_EQ(WaitForRows(2).size(), 2u);
    WaitPastStartOf("report.txt - Notepad");
    Activate(*editor);
    WaitPastStartOf("private plan - editor");  // in progress, in the checkpoint
    ASSERT_TRUE(WaitUntil([&] { return !FilesHolding(DataFile("DB"), {"private"}).empty(); }));
    // Whatever the collector records from now on holds no private text.
    Ask(*editor, "title main plain - editor");
    EXPECT_NE(Qlorules("forget --from today --to today").find("the collector cleaned what it holds"),
              std::string::npos);
    EXPECT_EQ(FilesHolding(DataFile("DB"), {"private"}), "");
    const size_t forgotten = Rows().size();
    EXPECT_NE(Qlorules("forget --whole --from today --to today").find("made Offline"), std::string::npos);
    WaitPastStartOf("plain - editor");
    Activate(*notepad);
    WaitPastStartOf("report.txt - Notepad");
    EXPECT_EQ(Close(), 0);
    EXPECT_EQ(FilesHolding(DataFile("DB"), {"private"}), "");
    const Texts rows = Rows();
    ASSERT_GT(rows.size(), forgotten);
    for (size_t i = 0; i < forgotten; ++i)
        EXPECT_EQ(rows[i], "4|||") << i;  // nothing recorded
    EXPECT_EQ(rows.back().rfind("1|notepad.exe|report.txt - Notepad|", 0), 0u) << rows.back();
    // Nothing lost or doubled: each row starts where the one before ends.
    const Texts times = ActivityQuery("select StartDate, FinishDate from T_Activities order by Id_Activity");
    for (size_t i = 1; i < times.size(); ++i)
        EXPECT_EQ(times[i - 1].substr(times[i - 1].find('|') + 1), times[i].substr(0, times[i].find('|'))) << i;
}

TEST_F(CollectorRun, AWindowClosedWhileInFrontEndsItsActivity) {
    auto notepad = Program("notepad.exe", "report.txt - Notepad");
    auto excel = Program("excel.exe", "budget.xlsx - Excel");
    Start();
    WaitPastStartOf("budget.xlsx - Excel");
    // The spreadsheet closes; the hint names it until the editor comes to the front.
    Ask(*excel, "destroy main");
    WaitPastStartOf("[SYSTEM]");
    Activate(*notepad);
    WaitPastStartOf("report.txt - Notepad");
    // The editor closes in front too and its program ends; the next program
    // connects in its place, so the server gives it the ids the editor had
    // and its window, shown in front at once, bears the closed window's id.
    Ask(*notepad, "destroy main");
    Ask(*notepad, "quit");
    EXPECT_EQ(notepad->Wait(), 0);
    auto calculator = Program("calc.exe", "Sum - Calculator");
    WaitPastStartOf("Sum - Calculator");
    EXPECT_EQ(Close(), 0);
    const Texts rows = ActivityQuery(
        "select a.Id_ActivityType || '|' || ifnull(p.FileName, '') || '|' || a.Title from "
        "T_Activities a left join sys.T_Apps p on p.Id_App = a.Id_App order by "
        "a.Id_Activity");
    ASSERT_GE(rows.size(), 4u);
    EXPECT_EQ(Texts(rows.begin(), rows.begin() + 3),
              (Texts{"1|excel.exe|budget.xlsx - Excel", "1|[SYSTEM]|", "1|notepad.exe|report.txt - Notepad"}));
    EXPECT_EQ(rows.back(), "1|calc.exe|Sum - Calculator");
}

TEST_F(CollectorRun, EverySwitchOfABurstWithinTheQuietWaitGetsItsOwnRow) {
    // In the order they come to the front; the first one shown last is in front at the start.
    const std::vector<std::pair<std::string, std::string>> windows{{"notepad.exe", "report.txt - Notepad"},
                                                                   {"excel.exe", "budget.xlsx - Excel"},
                                                                   {"calc.exe", "Sum - Calculator"},
                                                                   {"editor", "acme plan - editor"}};
    std::vector<std::unique_ptr<CChildProcess>> programs(windows.size());
    for (size_t i = windows.size(); i-- > 0;)
        programs[i] = Program(windows[i].first, windows[i].second);
    Start();
    WaitPastStartOf(windows[0].second);
    ASSERT_TRUE(WaitUntil([&] { return InQuietWait(collector->Pid()); })) << "the collector never waited long";
    // Each next window stays in front until the collector has seen it and a
    // second boundary has passed; but the burst goes on after 3 s at most,
    // within the quiet wait, so a switch left unseen until that wait's end
    // loses its row.
    for (size_t i = 1; i + 1 < windows.size(); ++i) {
        Activate(*programs[i]);
        long long start = 0;
        WaitUntil([&] { return (start || (start = LatestStart(windows[i].second))) && PackedNow() > start; }, 3000);
    }
    Activate(*programs.back());
    WaitPastStartOf(windows.back().second);
    EXPECT_EQ(Close(), 0);
    Texts expected;
    for (const auto& window : windows)
        expected.push_back(window.first + "|" + window.second + "|1");
    EXPECT_EQ(ActivityQuery("select p.FileName || '|' || a.Title || '|' || (a.Duration > 0) from T_Activities a "
                            "join sys.T_Apps p on p.Id_App = a.Id_App order by a.Id_Activity"),
              expected);
}

TEST_F(CollectorRun, OnSwayWindowsTitlesAndProgramsComeFromTheCompositor) {
    CSwayCompositor sway;
    ASSERT_TRUE(sway.Ready()) << sway.Problem();
    CScopedEnvironment type("XDG_SESSION_TYPE", "wayland");
    CScopedEnvironment display("WAYLAND_DISPLAY", sway.Display().c_str());
    CScopedEnvironment desktop("XDG_CURRENT_DESKTOP", "sway");
    const fs::path copy = temp.Path() / "bin" / "texteditor";
    fs::copy_file(QLO_WAYLAND_WINDOWS, copy);
    CChildProcess editor(copy.string(), {"texteditor"});
    std::string line;
    ASSERT_TRUE(editor.ReadLine(line));
    Ask(editor, "window main texteditor Draft");
    Start();
    WaitPastStartOf("Draft");
    Ask(editor, "title main Draft (saved)");
    WaitForRows(1);
    WaitPastStartOf("Draft (saved)");
    EXPECT_EQ(Close(), 0);
    Texts rows = Rows();
    for (std::string& row : rows)
        row.erase(row.rfind('|'));  // the task
    EXPECT_EQ(rows, (Texts{"1|texteditor|Draft", "1|texteditor|Draft (saved)"}));
    EXPECT_EQ(Count(ErrorLog(), "the desktop is"), 0);
}

TEST_F(CollectorRun, AWaylandDesktopWhoseWindowsCannotBeSeenIsNamedOnce) {
    CScopedEnvironment type("XDG_SESSION_TYPE", "wayland");
    CScopedEnvironment display("WAYLAND_DISPLAY", temp.File("run/no-compositor").c_str());
    CScopedEnvironment desktop("XDG_CURRENT_DESKTOP", "KDE");
    collector = Launch();
    const std::string said =
        "the desktop is KDE (Wayland) and its compositor cannot be reached: the collector cannot see its windows "
        "and records as without a display";
    std::string line;
    ASSERT_TRUE(collector->ReadLine(line));
    EXPECT_EQ(line, "qlocollector: " + said);
    WaitPastStartOf("[SYSTEM]");
    EXPECT_EQ(Close(), 0);
    EXPECT_EQ(Count(ErrorLog(), said), 1);
    // As without a display, although an X display is there.
    const Texts rows = Rows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].substr(rows[0].find('|'), rows[0].rfind('|') - rows[0].find('|')), "|[SYSTEM]|");
}

TEST_F(CollectorRun, StopsInOrderOnSigtermAndSigintAndBooksOnlyTheRealGapAsOffline) {
    auto notepad = Program("notepad.exe", "report.txt - Notepad");
    Start();
    WaitPastStartOf("report.txt - Notepad");
    EXPECT_EQ(Close(), 0);
    Texts rows = Rows();
    ASSERT_EQ(rows.size(), 1u) << "the activity in progress is saved at the stop";
    EXPECT_EQ(rows[0], "1|notepad.exe|report.txt - Notepad|Writing");
    const Texts firstRun = ActivityQuery("select StartDate, FinishDate from T_Activities");
    ASSERT_EQ(firstRun.size(), 1u);

    // Off for at least a second.
    ASSERT_TRUE(WaitPastSecond(std::stoll(firstRun[0].substr(15))));
    Start();
    rows = WaitForRows(2);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1], "4|notepad.exe|report.txt - Notepad|");
    const Texts offline =
        ActivityQuery("select StartDate, FinishDate, Duration from T_Activities where Id_Activity = 2");
    ASSERT_EQ(offline.size(), 1u);
    // From the stop to the new start: a few seconds, not the whole first run.
    EXPECT_EQ(offline[0].substr(0, 14), firstRun.at(0).substr(15, 14));
    EXPECT_LE(std::stoi(offline[0].substr(offline[0].rfind('|') + 1)), 10);

    // Ctrl-C in a terminal: SIGINT stops it in order too.
    WaitPastStartOf("(A) notepad.exe");
    ASSERT_EQ(kill(collector->Pid(), SIGINT), 0);
    ASSERT_TRUE(collector->WaitForEnd(10000));
    EXPECT_EQ(collector->Wait(), 0);
    rows = Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2], "1|notepad.exe|report.txt - Notepad|Writing");
}

TEST_F(CollectorRun, APauseRecordsNothingOutlastsARestartAndEndsAtResume) {
    auto excel = Program("excel.exe", "budget.xlsx - Excel");
    auto notepad = Program("notepad.exe", "report.txt - Notepad");
    Start();
    WaitPastStartOf("report.txt - Notepad");
    std::string output;
    EXPECT_EQ(Qloctl({"pause", "1h"}, &output), 0);
    EXPECT_EQ(output, "qloctl: pause requested for 1 h\n");
    ASSERT_TRUE(WaitUntil([&] { return Count(InfoLog(), "Paused until") == 1; }));
    // While paused the checks go on every second: two seconds on, one has
    // seen the spreadsheet in front.
    Activate(*excel);
    ASSERT_TRUE(WaitPastSecond(PackedNow() + 1));
    EXPECT_EQ(Close(), 0);
    Start();
    ASSERT_TRUE(WaitUntil([&] { return Count(InfoLog(), "Still paused until") == 1; }));
    Activate(*notepad);
    ASSERT_TRUE(WaitPastSecond(PackedNow() + 1));
    EXPECT_EQ(Qloctl({"resume"}, &output), 0);
    EXPECT_EQ(output, "qloctl: resume requested\n");
    WaitPastStartOf("report.txt - Notepad");
    Activate(*excel);
    WaitPastStartOf("budget.xlsx - Excel");
    EXPECT_EQ(Close(), 0);

    // The paused time: Offline rows of no program, from the pause to the
    // resume, without a gap.
    Texts rows = Rows();
    ASSERT_GE(rows.size(), 4u);
    EXPECT_EQ(rows.front(), "1|notepad.exe|report.txt - Notepad|Writing");
    EXPECT_EQ(rows[rows.size() - 2], "1|notepad.exe|report.txt - Notepad|Writing");
    EXPECT_EQ(rows.back(), "1|excel.exe|budget.xlsx - Excel|Accounting");
    for (size_t i = 1; i + 2 < rows.size(); ++i)
        EXPECT_EQ(rows[i], "4|[SYSTEM]||") << i;
    const Texts times = ActivityQuery("select StartDate, FinishDate from T_Activities order by Id_Activity");
    for (size_t i = 1; i < times.size(); ++i)
        EXPECT_EQ(times[i - 1].substr(times[i - 1].find('|') + 1), times[i].substr(0, times[i].find('|'))) << i;
    // The log says when and how long, never what was in front meanwhile.
    const Texts log = InfoLog();
    const auto paused =
        std::find_if(log.begin(), log.end(), [](auto& line) { return line.find("Paused until") != std::string::npos; });
    const auto resumed =
        std::find_if(paused, log.end(), [](auto& line) { return line.find("Resumed after") != std::string::npos; });
    ASSERT_NE(resumed, log.end());
    EXPECT_EQ(std::count_if(paused, resumed,
                            [](auto& line) {
                                return line.find("budget.xlsx") != std::string::npos ||
                                       line.find("excel.exe") != std::string::npos;
                            }),
              0);
}

TEST_F(CollectorRun, IdleAfterAMinuteWithoutInput) {
    // Nothing else gives input on the test display while this runs (its
    // suites share one resource lock), so its idle time only grows.
    auto notepad = Program("notepad.exe", "report.txt - Notepad");
    Start();
    Texts rows = WaitForRows(1, 75000);
    ASSERT_EQ(rows.size(), 1u) << "no change after more than a minute without input";
    EXPECT_EQ(rows[0], "1|notepad.exe|report.txt - Notepad|Writing");
    WaitPastStartOf("(I) notepad.exe");
    Ask(*notepad, "input");
    rows = WaitForRows(2);
    ASSERT_EQ(rows.size(), 2u);
    // Idle time is categorised by the special rule of its own project.
    EXPECT_EQ(rows[1], "2|notepad.exe|report.txt - Notepad|");
    EXPECT_EQ(ActivityQuery("select p.Name, a.Duration > 0 from T_Activities a join func.T_Projects p on "
                            "p.Id_Project = a.Id_Project where a.Id_ActivityType = 2"),
              Texts{"Idle|1"});
    EXPECT_EQ(Close(), 0);
}

TEST_F(CollectorRun, RunsWithoutADisplayAndSaysSo) {
    CScopedEnvironment noDisplay("DISPLAY", nullptr);
    WriteSettings(temp.File("install"), false);
    Start();
    const std::string problem =
        "no X display: DISPLAY is not set, so no window is seen and the time is recorded as [SYSTEM]";
    std::string line;
    ASSERT_TRUE(collector->ReadLine(line));
    EXPECT_EQ(line, "qlocollector: " + problem);
    EXPECT_TRUE(WaitUntil([&] { return Count(ErrorLog(), "qlocollector (1) " + problem) == 1; }));
    WaitPastStartOf("[SYSTEM]");
    EXPECT_EQ(Close(), 0);
    const Texts rows = Rows();
    ASSERT_EQ(rows.size(), 1u);
    // No window: the pseudo-process, without a title.
    EXPECT_EQ(rows[0].substr(rows[0].find('|'), rows[0].rfind('|') - rows[0].find('|')), "|[SYSTEM]|");
}

TEST_F(CollectorRun, AStaleInstallPathIsNamedAndTheSettingsScriptRepairsIt) {
    // The settings of a checkout that was removed since.
    const std::string gone = temp.File("removed-checkout");
    WriteSettings(gone, false);
    const std::string problem = "the setting \"Path\" of [HKEY_LOCAL_MACHINE\\SOFTWARE\\Belvane\\Orvanta] of " +
                                registryFile + " names the install folder \"" + gone + "\", which does not exist";
    collector = Launch();
    std::string line;
    ASSERT_TRUE(collector->ReadLine(line));
    EXPECT_EQ(line,
              "qlocollector: " + problem + "; nothing is recorded until that is repaired and the collector restarted");
    EXPECT_EQ(Count(ErrorLog(), "CTimeManager::LoadConfiguration (1) " + problem), 1);
    EXPECT_EQ(Close(), 0);

    // The settings hold a password and are readable by others: the script
    // makes them private, and the collector still reads them.
    std::ofstream(registryFile, std::ios::app) << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Belvane\\Orvanta\\PMS]\r\n"
                                                  "\"JIRA Password\"=hex:73,65,63,72,65,74,00\r\n";
    std::string output;
    EXPECT_EQ(RunToEnd(std::string(QLO_SOURCE_DIR) + "/scripts/linux_settings.sh '" + registryFile + "' '" +
                           temp.File("install") + "'",
                       &output),
              0);
    EXPECT_EQ(output, "settings: " + registryFile +
                          " holds a password and was readable by other users; it is now its owner's alone\n"
                          "settings: \"Path\" in " +
                          registryFile + " named " + gone + ", which does not exist; it now names " +
                          temp.File("install") + "\n");
    EXPECT_EQ(fs::status(registryFile).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    Start();
    EXPECT_EQ(Close(), 0);
    EXPECT_EQ(Count(ErrorLog(), "LoadConfiguration"), 1);
}

TEST_F(CollectorRun, ALogsFolderTooLongForTheLogsIsRefusedAndTrackingGoesOn) {
    // 250 characters: an application-data folder may have up to 260, but
    // with "/Orvanta/Logs" it leaves no room for the logs' names.
    const size_t rest = 250 - temp.Str().size() - 2;
    const std::string longData = temp.File(std::string(rest / 2, 'd') + "/" + std::string(rest - rest / 2, 'e'));
    CScopedEnvironment dataHere("XDG_DATA_HOME", longData.c_str());
    WriteSettings(temp.File("install"), false);
    const std::string logs = longData + "/Orvanta/Logs";
    collector = Launch();
    std::string line;
    ASSERT_TRUE(collector->ReadLine(line));
    EXPECT_EQ(line, "qlocollector: no logs are written: the logs folder " + logs +
                        " is too long (a log file's path holds at most 259 characters)");
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(longData + "/Orvanta/DB/sys.db"); }));
    EXPECT_EQ(Close(), 0);
    for (const auto& entry : fs::directory_iterator(logs))
        EXPECT_EQ(entry.path().filename(), "Archive") << "nothing else in the logs folder";
}

TEST_F(CollectorRun, SessionLockAndUnlockFromLogind) {
    WriteSettings(temp.File("install"), false);  // no catalogue needed
    CPrivateBus bus;
    ASSERT_FALSE(bus.Address().empty());
    CScopedEnvironment systemBus("DBUS_SYSTEM_BUS_ADDRESS", bus.Address().c_str());
    CScopedEnvironment sessionId("XDG_SESSION_ID", "c1");
    // The screen is locked already when the collector starts.
    CChildProcess logind(QLO_FAKE_LOGIND, {"qlo_fake_logind", "--address", bus.Address(), "--locked"});
    std::string line;
    ASSERT_TRUE(logind.ReadLine(line));
    ASSERT_EQ(line, "ready");
    auto send = [&](const std::string& command) {
        ASSERT_TRUE(logind.WriteLine(command) && logind.ReadLine(line));
        ASSERT_EQ(line, "ok");
    };
    auto notepad = Program("notepad.exe", "report.txt - Notepad");
    Start();
    WaitPastStartOf("(L) notepad.exe");
    send("unlock");
    WaitPastStartOf("(A) notepad.exe");
    send("lock");
    WaitPastStartOf("(L) notepad.exe");
    send("unlock");
    WaitPastStartOf("(A) notepad.exe");
    EXPECT_EQ(Close(), 0);
    EXPECT_EQ(LockRows(), (Texts{"3 report.txt - Notepad", "1 report.txt - Notepad", "3 report.txt - Notepad",
                                 "1 report.txt - Notepad"}));
    EXPECT_EQ(Count(ErrorLog(), "Session lock and unlock"), 0);
}

TEST_F(CollectorRun, LosingTheSystemBusWhileLockedEndsTheLockedRowUntilTheBusIsBack) {
    WriteSettings(temp.File("install"), false);  // no catalogue needed
    CPrivateBus bus;
    ASSERT_FALSE(bus.Address().empty());
    CScopedEnvironment systemBus("DBUS_SYSTEM_BUS_ADDRESS", bus.Address().c_str());
    CScopedEnvironment sessionId("XDG_SESSION_ID", "c1");
    auto logind = std::make_unique<CChildProcess>(QLO_FAKE_LOGIND,
                                                  Texts{"qlo_fake_logind", "--address", bus.Address(), "--locked"});
    std::string line;
    ASSERT_TRUE(logind->ReadLine(line));
    auto notepad = Program("notepad.exe", "report.txt - Notepad");
    Start();
    WaitPastStartOf("(L) notepad.exe");

    // Unseen, the session counts as unlocked.
    bus.Stop();
    EXPECT_TRUE(WaitUntil([&] {
        return Count(ErrorLog(), "Session lock and unlock are not recorded until the system bus is back") == 1;
    }));
    WaitPastStartOf("(A) notepad.exe");

    // Back, and still locked: the watch reopens by itself.
    ASSERT_TRUE(bus.Start());
    logind = std::make_unique<CChildProcess>(QLO_FAKE_LOGIND,
                                             Texts{"qlo_fake_logind", "--address", bus.Address(), "--locked"});
    ASSERT_TRUE(logind->ReadLine(line));
    EXPECT_TRUE(WaitUntil([&] { return Count(ErrorLog(), "Session lock and unlock are recorded again") == 1; }, 30000));
    WaitPastStartOf("(L) notepad.exe");
    EXPECT_EQ(Close(), 0);
    EXPECT_EQ(LockRows(), (Texts{"3 report.txt - Notepad", "1 report.txt - Notepad", "3 report.txt - Notepad"}));
    EXPECT_EQ(Count(ErrorLog(), "Session lock and unlock"), 2);
}

TEST_F(CollectorRun, WithoutAPlaceForItsLockFileItRefusesToStartAndSaysSo) {
    // A file where the data folder would be.
    std::ofstream(temp.File("blocked")) << "x";
    CScopedEnvironment blocked("XDG_DATA_HOME", temp.File("blocked/share").c_str());
    CChildProcess refused("sh", {"sh", "-c", std::string(QLO_COLLECTOR) + " 2>&1"});
    std::string line;
    ASSERT_TRUE(refused.ReadLine(line));
    EXPECT_EQ(line.rfind("qlocollector: cannot use the lock file", 0), 0u) << line;
    ASSERT_TRUE(refused.WaitForEnd(5000));
    EXPECT_EQ(refused.Wait(), 1);
}

TEST_F(CollectorRun, ControlToolWithoutACollector) {
    std::string output;
    EXPECT_EQ(Qloctl({"reload-rules"}, &output), 1);
    EXPECT_EQ(output, "qloctl: no collector is running\n");
    // A lock file left behind that names a live process of someone else:
    // that process is not signalled.
    CChildProcess bystander("sleep", {"sleep", "30"});
    fs::create_directories(DataFile(""));
    std::ofstream(LockFile()) << bystander.Pid() << "\n";
    EXPECT_EQ(Qloctl({"close"}, &output), 1);
    EXPECT_EQ(output, "qloctl: no collector is running\n");
    EXPECT_FALSE(SignalsPending(bystander.Pid()) || bystander.WaitForEnd(0)) << "the bystander was signalled";
    EXPECT_EQ(Qloctl({"rules", "sideways"}, &output), 2);
    EXPECT_EQ(output.substr(0, output.find('\n')), "qloctl: 'rules' takes on|off, not 'sideways'");
    EXPECT_EQ(Qloctl({"--help"}, &output), 0);
    EXPECT_EQ(output.substr(0, output.find('\n')), "usage: qloctl COMMAND [OPTIONS]");
}
}  // namespace
