// The hidden main window: its class, its creation (which starts the time
// manager), the window procedure and the About box.
#include "app/main_window_win.h"
// main_window_win.h brings windows.h, which wtsapi32.h needs first.
#include <wtsapi32.h>

#include "app/control_messages.h"
#include "app/resource.h"

HINSTANCE g_hInstance = nullptr;
CTimeManager g_timeManager;

namespace {
// An overlapped window without caption, border or visibility bits: the
// window exists to receive messages and is never shown.
constexpr DWORD kHiddenWindowStyle = 0x00000080;
// How long a close request waits for the close event.
constexpr DWORD kCloseEventWaitMs = 100;

bool g_stopped = false;

// Ends the message loop after the orderly stop.
void StopAndQuit() {
    StopTimeManager();
    PostQuitMessage(0);
}

void OnSessionChange(HWND window, WPARAM change) {
    if (change == WTS_SESSION_LOCK) {
        SetForegroundWindow(window);
        g_timeManager.OnEvent(EVENT_LOCK);
    } else if (change == WTS_SESSION_UNLOCK) {
        g_timeManager.OnEvent(EVENT_UNLOCK);
    }
}
}  // namespace

void StopTimeManager() {
    if (g_stopped) return;
    g_stopped = true;
    g_timeManager.StopAndSaveActivity();
    g_timeManager.Deinit();
}

ATOM RegisterMainWindowClass(HINSTANCE instance) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_COLLECTOR));
    windowClass.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_COLLECTOR_SMALL));
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszMenuName = MAKEINTRESOURCEA(IDR_MAIN_MENU);
    windowClass.lpszClassName = g_szWindowClass;
    return RegisterClassExA(&windowClass);
}

int CreateMainWindow(HINSTANCE instance, int /*showCommand*/) {
    g_hInstance = instance;
    HWND window = CreateWindowExA(0, g_szWindowClass, g_szTitle, kHiddenWindowStyle, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0,
                                  nullptr, nullptr, instance, nullptr);
    if (!window) return 0;
    UpdateWindow(window);
    // Whatever Init reports (it logs its own failures), the start event
    // starts the tracking: a collector without configuration still ticks.
    g_timeManager.Init(reinterpret_cast<WindowHandle>(window));
    g_timeManager.OnEvent(EVENT_START);
    return 1;
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
        case WM_CLOSE:
            // WM_CLOSE leaves the window as it is: the process ends with the loop.
            StopAndQuit();
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_TIMECHANGE:
            g_timeManager.OnEvent(EVENT_CHANGE_TIME);
            return 0;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDM_ABOUT:
                    DialogBoxA(g_hInstance, MAKEINTRESOURCEA(IDD_ABOUTBOX), window, AboutDlgProc);
                    return 0;
                case IDM_EXIT:
                    DestroyWindow(window);
                    return 0;
                default:
                    return DefWindowProcA(window, message, wParam, lParam);
            }
        case WM_WTSSESSION_CHANGE:
            OnSessionChange(window, wParam);
            return 0;
        case WM_ENDSESSION:
            // The session ends (logoff or shutdown): Windows may end the
            // process as soon as this returns, so the activity in progress
            // is saved now.
            if (wParam) StopAndQuit();
            return 0;
        case WM_COLLECTOR_CLOSE:
            // A successful wait also resets the auto-reset event.
            if (WaitForSingleObject(g_hCloseEvent, kCloseEventWaitMs) == WAIT_OBJECT_0) StopAndQuit();
            return 0;
        case WM_COLLECTOR_UPDATE_RULES:
            g_timeManager.UpdateRules();
            return 0;
        case WM_COLLECTOR_ENABLE_RULES:
            g_timeManager.SetRulesEnabled(1);
            return 0;
        case WM_COLLECTOR_DISABLE_RULES:
            g_timeManager.SetRulesEnabled(0);
            return 0;
        case WM_COLLECTOR_PAUSE:
            g_timeManager.Pause(static_cast<int64_t>(wParam));
            return 0;
        case WM_COLLECTOR_RESUME:
            g_timeManager.Resume();
            return 0;
        case WM_COLLECTOR_FORGET:
            g_timeManager.ForgetRequested();
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, LOWORD(wParam));
                return TRUE;
            }
            break;
    }
    return FALSE;
}
