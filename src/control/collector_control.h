#pragma once
// Sends one control command to the collector that runs on this desktop.
//
// Windows: the collector is the process owning the window of class
// "QLOCollector" (app/control_messages.h). "close" signals the named event
// "QLO_CLOSE_EVENT", posts WM_COLLECTOR_CLOSE and waits until the process has
// ended; the other commands post their message and return at once.
// "pause" and "resume" post WM_COLLECTOR_PAUSE (the length in WPARAM) and
// WM_COLLECTOR_RESUME.
//
// Linux: the collector is the process named in its lock file that holds the
// file's lock (app/instance_lock_linux.h). "close" sends SIGTERM and waits
// until the lock is released; "reload-rules" sends SIGHUP, "rules on" and
// "rules off" SIGUSR1 and SIGUSR2, "pause" and "resume" the real-time signals
// of app/control_signals_linux.h (the length as the signal's value), and
// return at once.

#include <cstdint>
#include <string>

#include "control/control_command.h"

// The exit status of qloctl for `command` (one sent to the collector): 0 done, 1 no collector
// runs or it did not carry the command out. `message` receives one line
// saying what happened, without the program name or a line end.
// `pauseSeconds`: the length of a pause (1 to 86400), 0 for the rest of the
// day; only Pause uses it.
int SendControlCommand(EControlCommand command, std::string& message, int64_t pauseSeconds = 0);

// Sends the forget message (WM_COLLECTOR_FORGET, on Linux its real-time
// signal) once the caller has written the request file
// (core/forget_span.h), and returns at once. 1 sent; 0 no collector runs;
// -1 it cannot be sent (`message` says why).
int SendForgetMessage(std::string& message);
