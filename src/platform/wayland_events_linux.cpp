#include "platform/wayland_events_linux.h"

#include <poll.h>
#include <wayland-client.h>

int DispatchWaylandEventsNow(wl_display* display) {
    int handed = 0;
    while (wl_display_prepare_read(display) != 0) {
        const int dispatched = wl_display_dispatch_pending(display);
        if (dispatched < 0) return -1;
        handed += dispatched;
    }
    wl_display_flush(display);
    pollfd ready{wl_display_get_fd(display), POLLIN, 0};
    if (poll(&ready, 1, 0) > 0)
        wl_display_read_events(display);
    else
        wl_display_cancel_read(display);
    const int dispatched = wl_display_dispatch_pending(display);
    if (dispatched < 0 || wl_display_get_error(display) != 0) return -1;
    return handed + dispatched;
}
