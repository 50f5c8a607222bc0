#pragma once
// The collector's process entry and hidden main window on Windows.
//
// WinMain (win_main_win.cpp) leaves at once when a window of the class
// "QLOCollector" exists, creates the named close event, registers the class,
// creates the hidden window, which starts the time manager, and runs the
// message loop with the About accelerators until a quit message. The window
// is never shown; it exists to receive what other processes and the system
// send: the private control messages (control_messages.h), WM_TIMECHANGE
// broadcasts, session lock and unlock notifications and the end of the
// session. MainWndProc turns each into a call on g_timeManager.
//
// Everything here runs on the process's main thread (the window thread).

#include <windows.h>

#include "core/time_manager.h"

// The module, stored when the main window is created (used by the About command).
extern HINSTANCE g_hInstance;
// The window title (string 103) and class name (string 109), loaded by WinMain.
extern char g_szTitle[100];
extern char g_szWindowClass[100];
// The named close event "QLO_CLOSE_EVENT"; open while the message loop runs.
extern HANDLE g_hCloseEvent;
// The one time manager of the process, constructed before WinMain runs.
extern CTimeManager g_timeManager;

// Registers the window class g_szWindowClass with MainWndProc, the icons,
// cursor, background and menu of the program's resources.
ATOM RegisterMainWindowClass(HINSTANCE instance);
// Creates the hidden window (style 0x80, never shown), hands it to the time
// manager (Init) and sends the start event. 1; 0 when the window could not
// be created (the time manager is then not started). `showCommand` is
// ignored: the window is never shown.
int CreateMainWindow(HINSTANCE instance, int showCommand);
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The orderly stop, run once whatever asks for it first (close request,
// WM_CLOSE, WM_DESTROY, the end of the session, or a message loop that
// ended without a quit message): the worker thread is stopped, the activity
// in progress is saved, and session notifications and COM of this thread are
// released. Further calls do nothing.
void StopTimeManager();
