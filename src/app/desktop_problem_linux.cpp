#include "app/desktop_problem_linux.h"

#include <cstdlib>

#include "platform/desktop.h"

namespace {
std::string NoXDisplay() {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        return "no X display: DISPLAY is not set, so no window is seen and the time is recorded as [SYSTEM]";
    return std::string("the X display \"") + display +
           "\" (DISPLAY) cannot be opened: the time is recorded as [SYSTEM] until it can";
}
}  // namespace

std::string DesktopProblem() {
    // A Wayland desktop whose windows cannot be seen (platform/desktop_session_linux.h).
    std::string wayland = DesktopLimitation();
    if (!wayland.empty()) return wayland;
    if (Desktop().GetDesktopWindow() != 0) return {};
    return NoXDisplay();
}
