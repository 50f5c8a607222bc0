// collector_memory: the resident memory of the collector over a simulated
// day, beside a bare program that links the same libraries (it is the same
// program) and opens the same X display and database files.
//
//   collector_memory collector FOLDER   24 hours of ticks and saves on a fake
//                                       clock, with a time manager whose
//                                       settings and data live in FOLDER
//   collector_memory bare FOLDER        only opens the display and the
//                                       database files the first run left
//
// The collector run drives CTimeManager as the worker thread would (one check
// event per simulated second) on the fake desktop, processes and clock of the
// tests: five programs take turns in front, each with a new title every few
// minutes, with idle stretches and a locked lunch break, so that activities
// end and are saved all day (several hundred rows). It prints the resident
// set (VmRSS) after the start and after every simulated hour; the
// bare run prints its own. Both print "<name> <kB>" lines. collector_memory.sh runs both and compares.
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "core/time_manager.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_desktop.h"
#include "fakes/fake_folders.h"
#include "fakes/fake_processes.h"
#include "platform/desktop_linux.h"
#include "sensing/time_stamp.h"

namespace fs = std::filesystem;

namespace {
// The resident set of this process in kB (VmRSS of /proc/self/status).
long ResidentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

// Opens the X display the way the collector does (its desktop service holds
// the connection from the first query on).
std::unique_ptr<CDesktopService> OpenDisplay() {
    auto desktop = CreateX11Desktop(std::nullopt);
    if (!desktop->GetDesktopWindow()) std::fprintf(stderr, "collector_memory: no X display\n");
    return desktop;
}

std::string DbFolder(const fs::path& folder) { return (folder / "appdata" / "Orvanta" / "DB").string(); }

int Bare(const fs::path& folder) {
    const auto display = OpenDisplay();
    sqlite3* databases[3] = {};
    const char* names[3] = {"sys.db", "func.db", "act1226.db"};
    for (int i = 0; i < 3; ++i) {
        const std::string path = DbFolder(folder) + "/" + names[i];
        if (sqlite3_open_v2(path.c_str(), &databases[i], SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
            sqlite3_exec(databases[i], "select count(*) from sqlite_master", nullptr, nullptr, nullptr) != SQLITE_OK) {
            std::fprintf(stderr, "collector_memory: cannot open %s (run the collector first)\n", path.c_str());
            return 1;
        }
    }
    std::printf("bare rss_kb %ld\n", ResidentKb());
    for (sqlite3* db : databases)
        sqlite3_close(db);
    return 0;
}

int Collector(const fs::path& folder) {
    fs::create_directories(folder / "install");
    fs::create_directories(folder / "appdata");
    const std::string registry = (folder / "registry.reg").string();
    std::ofstream(registry) << "Windows Registry Editor Version 5.00\r\n\r\n"
                               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Belvane\\Orvanta]\r\n\"Path\"=\""
                            << (folder / "install").string()
                            << "\"\r\n\"First Start\"=dword:00000001\r\n\"QLOCollector Log Level\"=dword:00000001\r\n";
    setenv("QLO_REGISTRY_FILE", registry.c_str(), 1);

    const auto display = OpenDisplay();
    CFakeClock clock({2026, 12, 7, 0, 0, 30, 0});
    CFakeFolders folders((folder / "appdata").string());
    CFakeDesktop desktop;
    CFakeProcesses processes;
    const char* programs[5][2] = {{"editor", "/usr/bin/editor"},
                                  {"firefox", "/usr/lib/firefox/firefox"},
                                  {"soffice.bin", "/usr/lib/libreoffice/program/soffice.bin"},
                                  {"thunderbird", "/usr/lib/thunderbird/thunderbird"},
                                  {"code", "/usr/share/code/code"}};
    for (uint32_t i = 0; i < 5; ++i) {
        processes.AddProcess(100 + i, programs[i][0], programs[i][1]);
        processes.SetAccount(100 + i, "host", "alice");
    }
    processes.SetCurrentProcessId(50);
    processes.SetAccount(50, "host", "alice");

    CTimeManager timeManager;
    if (timeManager.Init(1) != 1) {
        std::fprintf(stderr, "collector_memory: Init failed\n");
        return 1;
    }
    desktop.Show(10, 100, "document 0 - editor");
    timeManager.FindLastActivity(NowMoment());
    std::printf("collector rss_kb_start %ld\n", ResidentKb());

    for (int second = 1; second <= 24 * 3600; ++second) {
        clock.Advance(1000);
        const int minute = second / 60;
        // Every 90 s another program is in front; every 5 minutes its
        // document changes.
        if (second % 90 == 0) {
            const uint32_t program = static_cast<uint32_t>((second / 90) % 5);
            desktop.Show(10 + program, 100 + program,
                         "document " + std::to_string(minute / 5) + " - " + programs[program][0]);
        }
        // Input all the time, except for ten minutes of every hour.
        if (second % 3600 < 3000) desktop.SetIdleMilliseconds(0);
        if (second == 12 * 3600) timeManager.OnEvent(EVENT_LOCK);
        if (second == 13 * 3600) timeManager.OnEvent(EVENT_UNLOCK);
        timeManager.OnEvent(EVENT_CHECK_ACTIVITY);
        if (second % 3600 == 0) std::printf("collector rss_kb_hour%d %ld\n", second / 3600, ResidentKb());
    }
    timeManager.StopAndSaveActivity();
    std::fflush(stdout);
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::string(argv[1]) != "collector" && std::string(argv[1]) != "bare")) {
        std::fprintf(stderr, "usage: collector_memory collector|bare FOLDER\n");
        return 2;
    }
    return std::string(argv[1]) == "collector" ? Collector(argv[2]) : Bare(argv[2]);
}
