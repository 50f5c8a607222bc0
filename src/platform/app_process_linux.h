#pragma once
// The process behind a window that a Wayland compositor names only by its
// app id (the protocols carry no process id).
//
// How: among the processes of the user who runs the collector (same real
// uid), those whose executable file name (/proc/PID/exe), argv[0] file name
// or command name (/proc/PID/comm) equals, ignoring ASCII case, one of
//  - the app id itself ("firefox", "Alacritty", "foot"),
//  - its last dot-separated part ("org.gnome.Nautilus" gives "nautilus"),
//  - the program of the Exec line of the app's desktop entry (<app id>.desktop
//    under $XDG_DATA_HOME and $XDG_DATA_DIRS, in applications/).
// Of several, the root of their tree (one whose parent is not among them:
// browsers and editors run many processes under one), the oldest of those.
//
// How well: exact for a program that runs once; for several separate
// instances of one program (two terminals) the oldest, which has the same
// file and path, so the activity is still named right; none when the app id
// names no program (a toolkit's free choice) and no desktop entry says which.
//
// One scan of /proc per call: callers ask once per window.

#include <cstdint>
#include <string>

struct CAppProcess {
    uint32_t processId = 0;        // 0: none found
    bool xwaylandRunning = false;  // an Xwayland server of the user runs
};

CAppProcess FindAppProcess(const std::string& appId);
