#include "platform/desktop_session_linux.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/desktop_linux.h"

namespace {
bool IsSet(const char* value) { return value && value[0]; }

// True when the colon-separated list names `desktop` (case ignored).
bool Names(const char* list, const char* desktop) {
    if (!list) return false;
    const size_t length = std::strlen(desktop);
    for (const char* entry = list; *entry;) {
        const char* end = std::strchr(entry, ':');
        const size_t size = end ? static_cast<size_t>(end - entry) : std::strlen(entry);
        if (size == length && strncasecmp(entry, desktop, length) == 0) return true;
        if (!end) break;
        entry = end + 1;
    }
    return false;
}

struct CChosenDesktop {
    std::unique_ptr<CDesktopService> service;
    std::string limitation;
};

CChosenDesktop Choose() {
    const char* currentDesktop = std::getenv("XDG_CURRENT_DESKTOP");
    CChosenDesktop chosen;
    switch (ChooseDesktopKind(std::getenv("XDG_SESSION_TYPE"), std::getenv("WAYLAND_DISPLAY"), currentDesktop)) {
    case EDesktopKind::X11:
        // A capture's five questions take a few microseconds: one look at the socket serves them.
        chosen.service = CreateX11Desktop(std::nullopt, kIdleNoticeMs, std::chrono::microseconds(500));
        break;
    case EDesktopKind::Gnome:
        chosen.service = CreateGnomeDesktop(std::nullopt, kIdleNoticeMs, chosen.limitation);
        break;
    case EDesktopKind::Wayland: {
        std::string why;
        chosen.service = CreateWlrootsDesktop(std::nullopt, kIdleNoticeMs, why);
        if (!chosen.service) {
            chosen.service = CreateNoDesktop();
            chosen.limitation = "the desktop is " +
                                std::string(IsSet(currentDesktop) ? currentDesktop : "a Wayland compositor") +
                                " (Wayland) and " + why +
                                ": the collector cannot see its windows and records as without a display";
        }
        break;
    }
    }
    return chosen;
}

CChosenDesktop& Chosen() {
    static CChosenDesktop chosen = Choose();
    return chosen;
}
}  // namespace

EDesktopKind ChooseDesktopKind(const char* sessionType, const char* waylandDisplay, const char* currentDesktop) {
    // A compositor started from a text console leaves the type "tty".
    const bool wayland = IsSet(sessionType) && std::strcmp(sessionType, "wayland") == 0
                             ? true
                             : IsSet(waylandDisplay) && !(IsSet(sessionType) && std::strcmp(sessionType, "x11") == 0);
    if (!wayland) return EDesktopKind::X11;
    return Names(currentDesktop, "GNOME") ? EDesktopKind::Gnome : EDesktopKind::Wayland;
}

CDesktopService& SystemDesktop() { return *Chosen().service; }

std::string DesktopLimitation() { return Chosen().limitation; }
