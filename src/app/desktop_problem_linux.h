#pragma once
// What keeps the Linux collector from seeing the user's windows, for the
// message it gives once at start (on standard error and in the error log).
// One small function per kind of desktop it cannot read sits here.

#include <string>

// "" when the desktop service reaches a display; otherwise what is missing,
// naming the variable to set, and what the collector records meanwhile.
std::string DesktopProblem();
