// report_demo FOLDER: a working week recorded by the collector itself, for
// the README's sample output and picture of qloreport. The time manager runs
// with the seeded catalogue on the fake desktop, processes, browser and clock
// of the tests (settings in a registry of its own, data in FOLDER/appdata),
// one check a simulated second, Monday 30 November to Friday 4 December
// 2026, 08:45 to 17:30: an IDE, a mail program, a spreadsheet, a word
// processor, a messenger, a program no rule knows, and a browser on mail,
// a video site, a social network and an unknown site; idle stretches, a
// locked lunch break and offline nights.
//
//   report_demo FOLDER    then: qloreport totals --data FOLDER/appdata/Orvanta/DB --from 2026-11-30 --to 2026-12-04
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/time_manager.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_dde.h"
#include "fakes/fake_desktop.h"
#include "fakes/fake_folders.h"
#include "fakes/fake_processes.h"
#include "sensing/time_stamp.h"
#include "support/test_registry.h"

namespace fs = std::filesystem;

namespace {
struct CProgram {
    const char* file;
    const char* path;
    const char* titles[3];
    int weight;  // how often it comes to the front
};

constexpr CProgram kPrograms[] = {
    {"devenv.exe",
     "C:\\Program Files\\Microsoft Visual Studio\\devenv.exe",
     {"Reports.sln - Microsoft Visual Studio", "TotalsQuery.cpp - Microsoft Visual Studio",
      "Debugging - Microsoft Visual Studio"},
     9},
    {"outlook.exe",
     "C:\\Program Files\\Microsoft Office\\OUTLOOK.EXE",
     {"Inbox - Outlook", "RE: Quarterly figures - Message", "Calendar - Outlook"},
     4},
    {"excel.exe",
     "C:\\Program Files\\Microsoft Office\\EXCEL.EXE",
     {"Budget 2027.xlsx - Excel", "Timesheet.xlsx - Excel", "Budget 2027.xlsx - Excel"},
     3},
    {"winword.exe",
     "C:\\Program Files\\Microsoft Office\\WINWORD.EXE",
     {"Proposal.docx - Word", "Minutes 2026-12-01.docx - Word", "Proposal.docx - Word"},
     2},
    {"skype.exe", "C:\\Program Files\\Skype\\Skype.exe", {"Skype", "Skype - Team call", "Skype"}, 2},
    {"tracker.exe", "C:\\Tools\\tracker.exe", {"Issue 4711 - Tracker", "Board - Tracker", "Issue 4713 - Tracker"}, 3},
};
constexpr int kBrowserWeight = 5;
const char* const kPages[][2] = {
    {"https://mail.google.com/mail/u/0/#inbox", "Inbox - Gmail - Mozilla Firefox"},
    {"https://www.youtube.com/watch?v=talk", "A conference talk - YouTube - Mozilla Firefox"},
    {"https://www.linkedin.com/feed/", "Feed | LinkedIn - Mozilla Firefox"},
    {"https://docs.example.com/sqlite/lang", "SQL language - Mozilla Firefox"}};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: report_demo FOLDER\n", stderr);
        return 2;
    }
    const fs::path folder = argv[1];
    fs::create_directories(folder / "install");
    fs::create_directories(folder / "appdata");
    CTestRegistry registry;
    registry.SetString("SOFTWARE\\Belvane\\Orvanta", "Path", (folder / "install").string());
    registry.SetNumber("SOFTWARE\\Belvane\\Orvanta", "First Start", 1);
    CFakeClock clock({2026, 11, 30, 8, 45, 0, 0});
    CFakeFolders folders((folder / "appdata").string());
    CFakeDesktop desktop;
    CFakeProcesses processes;
    CFakeDde dde;
    constexpr uint32_t kBrowser = 99;
    for (uint32_t i = 0; i < std::size(kPrograms); ++i)
        processes.AddProcess(100 + i, kPrograms[i].file, kPrograms[i].path);
    processes.AddProcess(kBrowser, "firefox.exe", "C:\\Program Files\\Mozilla Firefox\\firefox.exe");
    for (uint32_t process : {50u, 99u, 100u, 101u, 102u, 103u, 104u, 105u})
        processes.SetAccount(process, "OFFICE", "alice");
    processes.SetCurrentProcessId(50);

    CTimeManager timeManager;
    if (timeManager.Init(1) != 1) {
        std::fputs("report_demo: the time manager did not start\n", stderr);
        return 1;
    }
    desktop.Show(10, 100, kPrograms[0].titles[0]);
    timeManager.FindLastActivity(NowMoment());
    unsigned random = 12345;
    auto next = [&random](unsigned range) {
        random = random * 1103515245u + 12345u;
        return (random >> 16) % range;
    };
    int totalWeight = kBrowserWeight;
    for (const CProgram& program : kPrograms)
        totalWeight += program.weight;
    for (int day = 0; day < 5; ++day) {
        if (day > 0) {
            // Overnight: nothing is checked until 08:45 (+ a few minutes).
            clock.Advance((15 * 3600 + 15 * 60 + static_cast<int>(next(20)) * 60) * 1000LL);
        }
        int untilSwitch = 0;
        for (int second = 0; second < 8 * 3600 + 45 * 60; ++second) {
            clock.Advance(1000);
            if (--untilSwitch <= 0) {
                int pick = static_cast<int>(next(static_cast<unsigned>(totalWeight)));
                if (pick < kBrowserWeight) {
                    const auto& page = kPages[next(4)];
                    dde.Answer("firefox", "WWW_GetWindowInfo", "0xFFFFFFFF", CFakeDde::BrowserReply(page[0], page[1]));
                    desktop.Show(9, kBrowser, page[1]);
                } else {
                    pick -= kBrowserWeight;
                    uint32_t i = 0;
                    while (pick >= kPrograms[i].weight)
                        pick -= kPrograms[i++].weight;
                    desktop.Show(10 + i, 100 + i, kPrograms[i].titles[next(3)]);
                }
                untilSwitch = 60 + static_cast<int>(next(600));
            }
            // A few minutes away from the keyboard now and then.
            desktop.SetIdleMilliseconds(second % 5400 > 5000 ? 62000 + (second % 5400 - 5000) * 1000 : 0);
            if (second == 3 * 3600 + 30 * 60) timeManager.OnEvent(EVENT_LOCK);
            if (second == 4 * 3600 + 15 * 60) timeManager.OnEvent(EVENT_UNLOCK);
            timeManager.OnEvent(EVENT_CHECK_ACTIVITY);
        }
    }
    timeManager.StopAndSaveActivity();
    std::printf("%s\n", (folder / "appdata" / "Orvanta" / "DB").string().c_str());
    return 0;
}
