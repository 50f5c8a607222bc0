// The control commands on Windows: window messages to the collector's hidden
// window, and the named close event.
#include <windows.h>

#include "app/control_messages.h"
#include "control/collector_control.h"
#include "control/pause_duration.h"

namespace {
// How long "close" waits for the collector to end: it stops its worker
// thread (about 3 s at most) and saves the activity in progress first.
constexpr DWORD kCloseWaitMs = 20000;

std::string SystemError(const char* what) {
    return std::string(what) + " (error " + std::to_string(GetLastError()) + ")";
}

// Signals the close event, posts the close request and waits for the
// collector's process to end.
int Close(HWND window, std::string& message) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, kCloseEventName);
    int status = 1;
    if (!event) {
        message = SystemError("the collector's close event cannot be opened");
    } else if (!SetEvent(event)) {
        message = SystemError("the collector's close event cannot be signalled");
    } else if (!PostMessageA(window, WM_COLLECTOR_CLOSE, 0, 0)) {
        // Left signalled, the event would let any later stray close message through.
        ResetEvent(event);
        message = SystemError("the close request cannot be sent");
    } else if (!process) {
        message = "close requested; the collector's process cannot be watched, so its end is not confirmed";
        status = 0;
    } else if (WaitForSingleObject(process, kCloseWaitMs) != WAIT_OBJECT_0) {
        message = "close requested, but the collector still runs after " + std::to_string(kCloseWaitMs / 1000) + " s";
    } else {
        message = "the collector has stopped";
        status = 0;
    }
    if (event) CloseHandle(event);
    if (process) CloseHandle(process);
    return status;
}

int Post(HWND window, UINT windowMessage, const std::string& done, std::string& message, WPARAM value = 0) {
    if (!PostMessageA(window, windowMessage, value, 0)) {
        message = SystemError("the request cannot be sent");
        return 1;
    }
    message = done;
    return 0;
}
}  // namespace

int SendForgetMessage(std::string& message) {
    HWND window = FindWindowA(kCollectorWindowClass, nullptr);
    if (!window) {
        message = "no collector is running";
        return 0;
    }
    return Post(window, WM_COLLECTOR_FORGET, "forget requested", message) == 0 ? 1 : -1;
}

int SendControlCommand(EControlCommand command, std::string& message, int64_t pauseSeconds) {
    HWND window = FindWindowA(kCollectorWindowClass, nullptr);
    if (!window) {
        message = "no collector is running";
        return 1;
    }
    switch (command) {
        case EControlCommand::Close:
            return Close(window, message);
        case EControlCommand::ReloadRules:
            return Post(window, WM_COLLECTOR_UPDATE_RULES, "rules reload requested", message);
        case EControlCommand::RulesOn:
            return Post(window, WM_COLLECTOR_ENABLE_RULES, "categorisation switched on", message);
        case EControlCommand::RulesOff:
            return Post(window, WM_COLLECTOR_DISABLE_RULES, "categorisation switched off", message);
        case EControlCommand::Pause:
            return Post(window, WM_COLLECTOR_PAUSE, PauseRequestText(pauseSeconds), message,
                        static_cast<WPARAM>(pauseSeconds));
        case EControlCommand::Resume:
            return Post(window, WM_COLLECTOR_RESUME, "resume requested", message);
        case EControlCommand::InstallBrowserHost:
        case EControlCommand::UninstallBrowserHost:
            break;
    }
    message = "nothing to send";
    return 1;
}
