// wayland_idle_loop: a Wayland client that wakes once a second and reads what
// its compositor sent, without waiting and without asking anything (as the
// collector's wlroots desktop does at each call): the least
// a client that looks at its compositor every second costs, the yardstick
// for the collector's CPU time per tick on a Wayland desktop
// (collector_cpu.sh sway runs both side by side).
//
//   wayland_idle_loop     runs until SIGTERM or SIGINT; $WAYLAND_DISPLAY
#include <wayland-client.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/wayland_events_linux.h"

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "wayland_idle_loop: no compositor\n");
        return 1;
    }
    wl_display_roundtrip(display);
    for (;;) {
        DispatchWaylandEventsNow(display);
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
}
