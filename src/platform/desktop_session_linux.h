#pragma once
// Which desktop service the Linux collector uses, chosen once, at its start,
// from the session it runs in:
//  - a Wayland session (XDG_SESSION_TYPE "wayland", or WAYLAND_DISPLAY set
//    without XDG_SESSION_TYPE "x11"):
//      GNOME (XDG_CURRENT_DESKTOP names it): the shell extension over D-Bus
//      (gnome_desktop_linux.h);
//      a compositor that offers wlr-foreign-toplevel-management (sway and
//      the other wlroots compositors): wlroots_desktop_linux.h;
//      any other: no desktop at all (every answer "none", as without a
//      display), and DesktopLimitation() names the desktop found;
//  - anything else: X11 on $DISPLAY (none: every answer "none").

enum class EDesktopKind { X11, Wayland, Gnome };

// The kind of session that the three variables describe (null: unset).
EDesktopKind ChooseDesktopKind(const char* sessionType, const char* waylandDisplay, const char* currentDesktop);
