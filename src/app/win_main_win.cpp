// The process entry of QLOCollector.exe: the command line, one instance per
// desktop, the close event, the hidden window and the message loop.
//
// The desktop application, the installer and the login start it without
// arguments. --help and --version answer without starting; any other
// argument is refused with exit code 2, said on standard error (when the
// program has one: it is a GUI program) and in the error log (when its
// folder exists: a refused start makes no folder).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/control_messages.h"
#include "app/main_window_win.h"
#include "app/resource.h"
#include "cli/command_line.h"
#include "core/time_manager_configuration.h"
#include "log/debug_controller.h"
#include "sensing/browser_report_listener.h"

char g_szTitle[100];
char g_szWindowClass[100];
HANDLE g_hCloseEvent = nullptr;

namespace {
const CProgramSpec kCommandLine = {
    "QLOCollector",
    "Records the programs and windows in front, idle and locked time for Orvanta's time reports.\n"
    "Started without arguments at login (one per desktop); qloctl close stops it in order.",
    {},
    {},
    "Exit code: 0 after an orderly stop or when a collector runs already, 2 a bad command line.\n"};

// A GUI program has no console of its own: its answers go to the standard
// handles it was given (pipes, files), else to the console of the program
// that started it (a command prompt).
void ReachStandardStreams() {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if ((out && out != INVALID_HANDLE_VALUE) || !AttachConsole(ATTACH_PARENT_PROCESS)) return;
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
}

// Appends the refusal to the error log where it already exists.
void LogRefusal(const std::string& error) {
    CTimeManagerConfiguration configuration;
    configuration.Load();
    const char* logs = configuration.GetLogsFolder();
    CDebugController log;
    if (logs && log.SetLogFiles(LOG_ERROR, logs, static_cast<int>(std::strlen(logs)) + 1) == 1)
        log.Log(LOG_ERROR, 0, "QLOCollector: %s; not started", error.c_str());
}

// -1 when the command line asks to run the collector; otherwise the exit code
// after answering it.
int AnswerArguments() {
    CCommandLine line;
    std::string error;
    const bool parsed = ParseCommandLine(kCommandLine, __argc, __argv, line, error);
    if (parsed && line.ask == ECommandLineAsk::Run) return -1;
    ReachStandardStreams();
    if (!parsed) LogRefusal(error);
    const int answered = AnswerCommandLine(kCommandLine, parsed, line, error, stdout, stderr);
    std::fflush(stdout);
    std::fflush(stderr);
    return answered;
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int showCommand) {
    if (const int answered = AnswerArguments(); answered >= 0) return answered;
    LoadStringA(instance, IDS_APP_TITLE, g_szTitle, sizeof(g_szTitle));
    LoadStringA(instance, IDS_WINDOW_CLASS, g_szWindowClass, sizeof(g_szWindowClass));

    // One collector per desktop: a second one leaves silently and leaves the
    // running one alone.
    if (FindWindowA(g_szWindowClass, nullptr)) return 0;

    // Auto-reset, not signalled; opened rather than created when another
    // process made it first.
    g_hCloseEvent = CreateEventA(nullptr, FALSE, FALSE, kCloseEventName);
    RegisterMainWindowClass(instance);
    if (!CreateMainWindow(instance, showCommand)) return 0;
    CBrowserReportListener browserReports;  // addresses from the browser extension, until the end
    browserReports.Start(g_timeManager);

    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
    MSG message{};
    BOOL received;
    while ((received = GetMessageA(&message, nullptr, 0, 0)) > 0) {
        if (!TranslateAcceleratorA(message.hwnd, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    // A loop that failed instead of receiving the quit message still stops
    // in order; after a quit message the stop has already run.
    StopTimeManager();

    CloseHandle(g_hCloseEvent);
    g_hCloseEvent = nullptr;
    const int exitCode = received == 0 ? static_cast<int>(message.wParam) : 1;
    // A check that did not end in time still runs inside g_timeManager, which
    // the process's exit would destroy under it: the process ends here
    // instead. The stop is complete (what it could not store is in the
    // checkpoint), and nothing the thread may hold is needed any more.
    if (g_timeManager.WorkerLeftRunning()) TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exitCode));
    return exitCode;
}
