#pragma once
// What other processes use to control a running collector on Windows: the
// class of its window, the named close event and the private window
// messages. The desktop application and qloctl send them; the window
// procedure of the collector answers them.
//
// The close protocol: signal the event "QLO_CLOSE_EVENT", then send or post
// WM_COLLECTOR_CLOSE to the window of class "QLOCollector". The collector
// waits at most 100 ms for the event when the message arrives and ignores a
// close message without it, so a stray message cannot stop it.

// The window class (the collector loads it from its string resource 109).
inline constexpr char kCollectorWindowClass[] = "QLOCollector";
// The named auto-reset event of the close protocol.
inline constexpr char kCloseEventName[] = "QLO_CLOSE_EVENT";

// WM_USER of the Windows headers, spelled out so that this header needs none.
inline constexpr unsigned kWindowMessageUser = 0x0400;
// Close request, honoured only with the close event signalled.
inline constexpr unsigned WM_COLLECTOR_CLOSE = kWindowMessageUser + 5;
// Reload the categorisation rules from the database.
inline constexpr unsigned WM_COLLECTOR_UPDATE_RULES = kWindowMessageUser + 6;
// Switch rule categorisation on and off.
inline constexpr unsigned WM_COLLECTOR_ENABLE_RULES = kWindowMessageUser + 7;
inline constexpr unsigned WM_COLLECTOR_DISABLE_RULES = kWindowMessageUser + 8;
// Pause the capture: WPARAM the pause's length in seconds (1 to 86400), 0
// for the rest of the day; a pause in force gets the new end.
inline constexpr unsigned WM_COLLECTOR_PAUSE = kWindowMessageUser + 9;
// End the pause in force; nothing happens without one.
inline constexpr unsigned WM_COLLECTOR_RESUME = kWindowMessageUser + 10;
// Carry out the forget request file of the database folder (core/forget_span.h).
inline constexpr unsigned WM_COLLECTOR_FORGET = kWindowMessageUser + 12;
