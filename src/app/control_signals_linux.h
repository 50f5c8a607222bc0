#pragma once
// The signals other processes send the Linux collector beside SIGTERM,
// SIGHUP, SIGUSR1 and SIGUSR2 (event_loop_linux.h): real-time signals,
// which queue and carry a value.
//
//   pause    sigqueue with the pause's length in seconds (1 to 86400), 0 for
//            the rest of the day; a pause in force gets the new end
//   resume   ends the pause in force; nothing happens without one
//   forget   carry out the forget request file of the database folder
//            (core/forget_span.h)
#include <signal.h>

inline int PauseSignal() { return SIGRTMIN; }
inline int ResumeSignal() { return SIGRTMIN + 1; }
inline int ForgetSignal() { return SIGRTMIN + 4; }
