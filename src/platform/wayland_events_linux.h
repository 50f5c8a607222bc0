#pragma once
// Reading a Wayland connection without waiting: what the compositor has sent
// is read and handed to the listeners; nothing is sent and nothing is waited
// for. The number of events handed on, or -1 when the connection has broken.

struct wl_display;

int DispatchWaylandEventsNow(wl_display* display);
