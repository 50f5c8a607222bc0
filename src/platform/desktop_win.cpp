// Placeholder until the real desktop service lands: no windows, no input.
#include "platform/desktop.h"

namespace {
class CNoDesktop : public CDesktopService {
public:
    WindowHandle GetForegroundWindow() override { return 0; }
    WindowHandle GetDesktopWindow() override { return 0; }
    int GetWindowTextLength(WindowHandle) override { return 0; }
    int GetWindowText(WindowHandle, char* buffer, int limit) override {
        if (buffer && limit > 0) buffer[0] = '\0';
        return 0;
    }
    uint32_t GetWindowProcessId(WindowHandle) override { return 0; }
    bool GetLastInputTick(uint32_t&) override { return false; }
    WindowHandle FindWindow(const char*) override { return 0; }
    WindowHandle FindChildWindow(WindowHandle, WindowHandle, const char*) override { return 0; }
    bool IsWindowVisible(WindowHandle) override { return false; }
};
}  // namespace

CDesktopService& SystemDesktop() {
    static CNoDesktop desktop;
    return desktop;
}
