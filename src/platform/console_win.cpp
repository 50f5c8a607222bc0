#include <windows.h>

#include <atomic>

#include "platform/console.h"

namespace {
std::atomic<bool> g_stopRequested{false};
HANDLE g_stopEvent = nullptr;

BOOL WINAPI OnConsoleControl(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            g_stopRequested = true;
            if (g_stopEvent) SetEvent(g_stopEvent);
            return TRUE;
    }
    return FALSE;
}
}  // namespace

bool StandardErrorIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

bool StandardInputIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

void UseUtf8Console() { SetConsoleOutputCP(CP_UTF8); }

void WatchStopRequests() {
    if (!g_stopEvent) g_stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

bool StopRequested() { return g_stopRequested; }

bool WaitForStopRequest(int milliseconds) {
    if (StopRequested()) return true;
    if (!g_stopEvent) {
        Sleep(static_cast<DWORD>(milliseconds));
        return StopRequested();
    }
    WaitForSingleObject(g_stopEvent, static_cast<DWORD>(milliseconds));
    return StopRequested();
}

std::string ComputerName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    return GetComputerNameA(name, &size) ? name : "";
}
