#pragma once
// The D-Bus names the GNOME desktop service talks to: the collector's GNOME
// Shell extension (gnome-shell/ in the source tree, which must use the same
// names) and Mutter's idle monitor.
//
// The extension's interface:
//   GetFocus() -> (t window, s title, s wmClass, u pid)
//   signal FocusChanged(t window, s title, s wmClass, u pid)
//       sent when the focus moves and when the focused window's title or
//       class changes; window 0: no window has the focus; pid 0: unknown.

inline constexpr char kFocusExtensionUuid[] = "qlocollector-focus@orvanta.belvane";
inline constexpr char kFocusName[] = "org.belvane.Orvanta.Focus";
inline constexpr char kFocusPath[] = "/org/belvane/Orvanta/Focus";
inline constexpr char kFocusInterface[] = "org.belvane.Orvanta.Focus";

inline constexpr char kIdleMonitorName[] = "org.gnome.Mutter.IdleMonitor";
inline constexpr char kIdleMonitorPath[] = "/org/gnome/Mutter/IdleMonitor/Core";
inline constexpr char kIdleMonitorInterface[] = "org.gnome.Mutter.IdleMonitor";
