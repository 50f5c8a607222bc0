// The process entry of QLOCollector.exe: one instance per desktop, the close
// event, the hidden window and the message loop.
#include "app/control_messages.h"
#include "app/main_window_win.h"
#include "app/resource.h"
#include "sensing/browser_report_listener.h"

char g_szTitle[100];
char g_szWindowClass[100];
HANDLE g_hCloseEvent = nullptr;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int showCommand) {
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
