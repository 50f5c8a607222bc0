// x11_query_loop: the X11 queries of one collector tick (the window in front,
// its title length and text, its owner, the time of the last input; the
// messenger's search for its main window by class is made only when the
// program in front is the messenger, which it is not in the benchmark) once
// a second and nothing else: the yardstick for the collector's CPU time per
// tick (collector_cpu.sh runs both side by side).
//
//   x11_query_loop     runs until SIGTERM or SIGINT
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "platform/desktop_linux.h"

int main() {
    const std::unique_ptr<CDesktopService> desktop = CreateX11Desktop(std::nullopt);
    char title[262];
    for (;;) {
        const WindowHandle window = desktop->GetForegroundWindow();
        if (desktop->GetWindowTextLength(window) > 0) desktop->GetWindowText(window, title, 260);
        desktop->GetWindowProcessId(window);
        uint32_t lastInput = 0;
        desktop->GetLastInputTick(lastInput);
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
}
