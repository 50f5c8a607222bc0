// The desktop service over user32: the foreground window, its title and
// owning process, the last-input tick and windows found by class.
#include <windows.h>
// The service's operation names are also windows.h's A/W macros.
#undef FindWindow
#undef GetWindowText
#undef GetWindowTextLength

#include "platform/desktop.h"

namespace {
HWND ToHwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }
WindowHandle ToHandle(HWND window) { return reinterpret_cast<WindowHandle>(window); }

class CWin32Desktop : public CDesktopService {
public:
    WindowHandle GetForegroundWindow() override { return ToHandle(::GetForegroundWindow()); }

    WindowHandle GetDesktopWindow() override { return ToHandle(::GetDesktopWindow()); }

    int GetWindowTextLength(WindowHandle window) override {
        const int length = GetWindowTextLengthW(ToHwnd(window));
        return length > 0 ? length : 0;
    }

    int GetWindowText(WindowHandle window, char* buffer, int limit) override {
        if (!buffer || limit < 1) return 0;
        buffer[0] = '\0';
        // GetWindowTextA copies at most limit - 1 characters and always terminates.
        const int copied = GetWindowTextA(ToHwnd(window), buffer, limit);
        if (copied <= 0) {
            buffer[0] = '\0';
            return 0;
        }
        return copied;
    }

    uint32_t GetWindowProcessId(WindowHandle window) override {
        DWORD processId = 0;
        if (!GetWindowThreadProcessId(ToHwnd(window), &processId)) return 0;
        return processId;
    }

    bool GetLastInputTick(uint32_t& tick) override {
        // dwTime is in GetTickCount milliseconds, the scale of the clock service's TickCount.
        LASTINPUTINFO info{};
        info.cbSize = sizeof(info);
        if (!GetLastInputInfo(&info)) return false;
        tick = info.dwTime;
        return true;
    }

    WindowHandle FindWindow(const char* className) override {
        // Without a class FindWindowA would answer with any window at all.
        if (!className) return 0;
        return ToHandle(FindWindowA(className, nullptr));
    }

    WindowHandle FindChildWindow(WindowHandle parent, WindowHandle after, const char* className) override {
        // A parent of 0 would make FindWindowExA walk the top-level windows instead.
        if (!parent || !className) return 0;
        return ToHandle(FindWindowExA(ToHwnd(parent), ToHwnd(after), className, nullptr));
    }

    bool IsWindowVisible(WindowHandle window) override { return ::IsWindowVisible(ToHwnd(window)) != FALSE; }
};

static_assert(sizeof(LASTINPUTINFO) == 8, "GetLastInputInfo expects the 8-byte structure");
}  // namespace

CDesktopService& SystemDesktop() {
    static CWin32Desktop desktop;
    return desktop;
}

std::string DesktopLimitation() { return {}; }
