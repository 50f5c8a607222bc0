#pragma once
// The Linux desktop services as objects of their own. The process-wide one
// (Desktop()) is chosen from the session (desktop_session_linux.h); tests
// make their own to start from a fresh connection or to point at a display
// or bus of their choice.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/desktop.h"

// `displayName`: none means $DISPLAY as it is at each connection attempt.
// `idleLimitMs`: the idle time whose crossing the service is told of.
// `shareEvents`: calls that follow the last look at the server's events
// within this time answer from it (0: every call looks).
std::unique_ptr<CDesktopService> CreateX11Desktop(std::optional<std::string> displayName,
                                                  uint32_t idleLimitMs = kIdleNoticeMs,
                                                  std::chrono::microseconds shareEvents = {});

// Every answer "none": a desktop whose windows cannot be seen.
std::unique_ptr<CDesktopService> CreateNoDesktop();

// A wlroots Wayland compositor (wlroots_desktop_linux.cpp). `display`: the
// socket name or path; none means $WAYLAND_DISPLAY. Null when the compositor
// cannot be reached or lacks the foreign-toplevel protocol; `limitation`
// then says why ("its compositor cannot be reached", ...).
std::unique_ptr<CDesktopService> CreateWlrootsDesktop(std::optional<std::string> display, uint32_t idleLimitMs,
                                                      std::string& limitation);

// GNOME Shell through the collector's shell extension and Mutter's idle
// monitor on the session bus (gnome_desktop_linux.cpp). `busAddress`: none
// means the user's session bus. Always a service (the extension may be
// enabled later); `limitation` says when the extension does not answer now.
std::unique_ptr<CDesktopService> CreateGnomeDesktop(std::optional<std::string> busAddress, uint32_t idleLimitMs,
                                                    std::string& limitation);
