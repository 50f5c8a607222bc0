#pragma once
// Reading a Wayland connection without waiting: what the compositor has sent
// is read and handed to the listeners; nothing is sent and nothing is waited
// for. False when the connection has broken.

struct wl_display;

bool DispatchWaylandEventsNow(wl_display* display);
