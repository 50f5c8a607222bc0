// The rules the Linux catalogue adds: the common Linux counterparts of the
// seeded Windows programs get the same project and task. A pattern is found
// anywhere in the program's path (/proc/PID/exe, lowered) or file name, so
// each is a word that no unrelated path holds: names that are also words or
// first names carry a part of their folder ("bin/kate", "opera/opera"), so
// that a user called Kate does not turn every program in her home folder
// into writing. Programs that run as a script's interpreter (python3, java)
// cannot be told apart by their path and are left out. Terminals go with the
// system's tools in "General [Utilities]".
#include <cstring>

#include "core/first_start_catalogue.h"

namespace {
// LibreOffice runs all its programs in one process, soffice.bin, whose
// windows end in " - LibreOffice Calc" and the like.
constexpr char kOffice[] = "soffice.bin";

constexpr CSeedRule kGeneralBusiness[] = {Program("scribus"), Program("xournalpp")};
constexpr CSeedRule kAccounting[] = {ProgramWindow(kOffice, "libreoffice calc"),
                                     ProgramWindow(kOffice, "libreoffice base"), Program("gnumeric")};
constexpr CSeedRule kProjectManagement[] = {Program("bin/planner")};
constexpr CSeedRule kEmail[] = {Program("thunderbird"), Program("evolution"), Program("geary"), Program("kmail")};
constexpr CSeedRule kMessaging[] = {Program("skypeforlinux"), Program("viber"),          Program("pidgin"),
                                    Program("telegram"),      Program("signal-desktop"), Program("element-desktop"),
                                    Program("discord"),       Program("slack")};
constexpr CSeedRule kEngineering[] = {ProgramWindow(kOffice, "libreoffice draw"), Program("bin/dia"),
                                      Program("librecad")};
constexpr CSeedRule kGraphicDesign[] = {Program("gimp"), Program("krita"), Program("inkscape"), Program("kolourpaint")};
constexpr CSeedRule kPresentation[] = {ProgramWindow(kOffice, "libreoffice impress")};
constexpr CSeedRule kWriting[] = {ProgramWindow(kOffice, "libreoffice writer"),
                                  Program("abiword"),
                                  Program("gedit"),
                                  Program("gnome-text-editor"),
                                  Program("bin/kate"),
                                  Program("kwrite"),
                                  Program("mousepad"),
                                  Program("pluma"),
                                  Program("bin/xed")};
constexpr CSeedRule kMusic[] = {Program("rhythmbox"),  Program("audacious"), Program("clementine"),
                                Program("strawberry"), Program("spotify"),   Program("bin/elisa")};
constexpr CSeedRule kPhotos[] = {Program("bin/eog"),   Program("shotwell"), Program("gthumb"),
                                 Program("ristretto"), Program("gwenview"), Program("loupe")};
constexpr CSeedRule kVideo[] = {Program("vlc"), Program("totem"), Program("mpv"), Program("celluloid"),
                                Program("smplayer")};
constexpr CSeedRule kProgramming[] = {Program("share/code/code"), Program("codium"),   Program("bin/idea"),
                                      Program("pycharm"),         Program("eclipse"),  Program("qtcreator"),
                                      Program("geany"),           Program("kdevelop"), Program("gnome-builder"),
                                      Program("emacs"),           Program("vim")};
constexpr CSeedRule kCodeReview[] = {Program("bcompare"), Program("kdiff3"), Program("kompare")};
constexpr CSeedRule kGeneralUtilities[] = {
    // file managers
    Program("nautilus"), Program("dolphin"), Program("thunar"), Program("bin/nemo"), Program("pcmanfm"),
    Program("caja"), Program("doublecmd"),
    // task managers
    Program("gnome-system-monitor"), Program("plasma-systemmonitor"), Program("xfce4-taskmanager"),
    // calculators
    Program("gnome-calculator"), Program("kcalc"), Program("galculator"), Program("qalculate"),
    // terminals
    Program("xterm"), Program("gnome-terminal"), Program("konsole"), Program("xfce4-terminal"),
    Program("mate-terminal"), Program("qterminal"), Program("tilix"), Program("alacritty"), Program("bin/kitty"),
    Program("urxvt"), Program("bin/foot"), Program("kgx")};
constexpr CSeedRule kBrowsers[] = {Program("firefox"), Program("chromium"),    Program("google/chrome"),
                                   Program("msedge"),  Program("opera/opera"), Program("brave.com"),
                                   Program("vivaldi"), Program("epiphany")};

struct CTaskRules {
    const char* project;
    const char* task;
    std::span<const CSeedRule> rules;
};

constexpr CTaskRules kAdded[] = {
    {"Business", "General [Business]", kGeneralBusiness},
    {"Business", "Accounting", kAccounting},
    {"Business", "Project Management", kProjectManagement},
    {"Communication & Scheduling", "Email", kEmail},
    {"Communication & Scheduling", "Instant Messages & Chats", kMessaging},
    {"Design & Composition", "Engineering & Drafting", kEngineering},
    {"Design & Composition", "Graphic Design", kGraphicDesign},
    {"Design & Composition", "Presentation", kPresentation},
    {"Design & Composition", "Writing", kWriting},
    {"Entertainment", "Music", kMusic},
    {"Entertainment", "Photos", kPhotos},
    {"Entertainment", "Video", kVideo},
    {"Software Development", "Programming", kProgramming},
    {"Software Development", "Code Review", kCodeReview},
    {"Utilities", "General [Utilities]", kGeneralUtilities},
    {"Utilities", "Web browsers", kBrowsers},
};
}  // namespace

std::span<const CSeedRule> PlatformSeedRules(const CSeedProject& project, const CSeedTask& task) {
    for (const CTaskRules& added : kAdded)
        if (std::strcmp(added.project, project.name) == 0 && std::strcmp(added.task, task.name) == 0)
            return added.rules;
    return {};
}

size_t PlatformSeedRuleCount() {
    size_t count = 0;
    for (const CTaskRules& added : kAdded)
        count += added.rules.size();
    return count;
}
