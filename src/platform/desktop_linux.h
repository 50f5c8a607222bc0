#pragma once
// The X11 desktop service as an object of its own, for a chosen display.
// The process-wide one (Desktop()) uses $DISPLAY; tests make their own to
// start from a fresh connection or to point at a display of their choice.

#include <memory>
#include <optional>
#include <string>

#include "platform/desktop.h"

// `displayName`: none means $DISPLAY as it is at each connection attempt.
std::unique_ptr<CDesktopService> CreateX11Desktop(std::optional<std::string> displayName);
