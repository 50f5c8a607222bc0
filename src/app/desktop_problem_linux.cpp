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
    if (Desktop().GetDesktopWindow() != 0) return {};
    return NoXDisplay();
}
