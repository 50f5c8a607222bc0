// qlo_x11_windows: an X client that plays the desktop for system tests of
// the Linux collector. It opens top-level windows with a title, a WM_CLASS
// and a _NET_WM_PID, child windows of a class, shown or hidden, and sets the
// root's _NET_ACTIVE_WINDOW as a window manager would; on command it changes
// titles and the active window. To appear under another program name in
// /proc, run a copy (or hard link) of the binary with that name: /proc/PID/exe
// resolves symbolic links to the real file.
//
//   qlo_x11_windows [--display NAME] [--pid PID] [--window NAME CLASS TITLE]... [--no-stdin]
//
//   --display NAME  the X display (default: $DISPLAY)
//   --pid PID       the _NET_WM_PID of the windows it makes (default: its own)
//   --window ...    a top-level window made at the start; the last one becomes active
//   --no-stdin      read no commands; run until SIGTERM or SIGINT
//
// It prints "ready <its pid>" once the start-up windows exist, then runs one
// command per line of its standard input and answers each with one line:
// "ok", "ok <X window id>" for the commands that make a window, or
// "error <reason>". Every change has reached the X server when the answer
// comes. NAME is a name the test gives the window; TEXT is the rest of the
// line (it may be empty and hold blanks and UTF-8).
//
//   window NAME CLASS TEXT        a top-level window, shown, titled TEXT
//   child NAME PARENT CLASS visible|hidden TEXT
//                                 a child window of the window PARENT
//   title NAME TEXT               the title as _NET_WM_NAME and WM_NAME (UTF-8)
//   netname NAME TEXT             only _NET_WM_NAME
//   nonetname NAME                removes _NET_WM_NAME
//   wmname NAME TEXT              only WM_NAME, of type STRING (ISO 8859-1 bytes)
//   pid NAME PID                  _NET_WM_PID (0 removes it)
//   activate NAME|none            the root's _NET_ACTIVE_WINDOW (none: no window)
//   show NAME, hide NAME          maps or unmaps the window
//   destroy NAME                  destroys the window and its children
//   input                         a fake pointer motion (XTEST): the user is active
//   quit                          ends the program
//
// SIGUSR1 activates the next of its top-level windows (in the order they were
// made, wrapping). It ends, with exit code 0, at "quit", at the end of its
// input (unless --no-stdin), and on SIGTERM or SIGINT: it clears the active
// window when that is one of its own and closes the display, which destroys
// its windows. Exit code 1: the display could not be opened; 2: bad usage.

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "support/x11_test_display_linux.h"

namespace {
// The next blank-separated word of `rest`, which loses it and one blank.
bool TakeWord(std::string& rest, std::string& word) {
    const size_t end = rest.find(' ');
    word = rest.substr(0, end);
    rest = end == std::string::npos ? std::string() : rest.substr(end + 1);
    return !word.empty();
}

bool ParsePid(const std::string& text, uint32_t& pid) {
    char* end = nullptr;
    errno = 0;
    const unsigned long value = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value > 0xFFFFFFFFul) return false;
    pid = static_cast<uint32_t>(value);
    return true;
}

class CWindowScript {
public:
    CWindowScript(CX11TestDisplay& display, uint32_t pid) : m_display(display), m_pid(pid) {}

    bool Finished() const { return m_finished; }

    // Runs one command line; returns the answer line.
    std::string Run(std::string rest) {
        std::string command, name;
        TakeWord(rest, command);
        if (command == "quit") {
            m_finished = true;
            return "ok";
        }
        if (command == "input") return m_display.FakeInput() ? "ok" : "error no XTEST extension";
        if (command == "window") {
            std::string wmClass;
            if (!TakeWord(rest, name) || !TakeWord(rest, wmClass)) return "error usage: window NAME CLASS TEXT";
            if (m_windows.count(name)) return "error window exists: " + name;
            const Window window = m_display.CreateWindow(wmClass, rest, m_pid);
            m_windows[name] = window;
            m_topLevel.push_back(window);
            return "ok " + std::to_string(window);
        }
        if (command == "child") {
            std::string parent, wmClass, shown;
            if (!TakeWord(rest, name) || !TakeWord(rest, parent) || !TakeWord(rest, wmClass) ||
                !TakeWord(rest, shown) || (shown != "visible" && shown != "hidden"))
                return "error usage: child NAME PARENT CLASS visible|hidden TEXT";
            if (m_windows.count(name)) return "error window exists: " + name;
            const auto found = m_windows.find(parent);
            if (found == m_windows.end()) return "error no window " + parent;
            const Window window = m_display.CreateChild(found->second, wmClass, rest, shown == "visible");
            m_windows[name] = window;
            m_parents[name] = parent;
            return "ok " + std::to_string(window);
        }
        if (command == "activate" && rest == "none") {
            Activate(None);
            return "ok";
        }
        if (!TakeWord(rest, name)) return "error usage: " + command + " NAME ...";
        const auto found = m_windows.find(name);
        if (found == m_windows.end()) return "error no window " + name;
        const Window window = found->second;
        if (command == "title") {
            m_display.SetTitle(window, rest);
        } else if (command == "netname") {
            m_display.SetNetWmName(window, rest);
        } else if (command == "nonetname") {
            m_display.RemoveNetWmName(window);
        } else if (command == "wmname") {
            m_display.SetWmName(window, rest, false);
        } else if (command == "pid") {
            uint32_t pid = 0;
            if (!ParsePid(rest, pid)) return "error usage: pid NAME PID";
            m_display.SetPid(window, pid);
        } else if (command == "activate") {
            Activate(window);
        } else if (command == "show" || command == "hide") {
            m_display.Show(window, command == "show");
        } else if (command == "destroy") {
            Destroy(name, window);
        } else {
            return "error unknown command " + command;
        }
        return "ok";
    }

    // Activates the top-level window made after the active one (the first
    // after the last, or when none of them is active).
    void ActivateNext() {
        if (m_topLevel.empty()) return;
        const auto active = std::find(m_topLevel.begin(), m_topLevel.end(), m_active);
        const size_t next = active == m_topLevel.end() ? 0 : (active - m_topLevel.begin() + 1) % m_topLevel.size();
        Activate(m_topLevel[next]);
    }

private:
    void Activate(Window window) {
        m_display.SetActive(window);
        m_active = window;
    }

    // Destroys the window and forgets it and every window of ours inside it.
    void Destroy(const std::string& name, Window window) {
        m_display.Destroy(window);
        std::erase(m_topLevel, window);
        std::vector<std::string> gone{name};
        for (size_t i = 0; i < gone.size(); ++i) {
            for (const auto& [child, parent] : m_parents)
                if (parent == gone[i]) gone.push_back(child);
        }
        for (const std::string& each : gone) {
            m_windows.erase(each);
            m_parents.erase(each);
        }
    }

    CX11TestDisplay& m_display;
    const uint32_t m_pid;
    std::map<std::string, Window> m_windows;
    std::map<std::string, std::string> m_parents;  // child window name -> parent name
    std::vector<Window> m_topLevel;
    Window m_active = None;
    bool m_finished = false;
};

int Usage(const char* message) {
    std::fprintf(stderr,
                 "qlo_x11_windows: %s\nusage: qlo_x11_windows [--display NAME] [--pid PID] "
                 "[--window NAME CLASS TITLE]... [--no-stdin]\n",
                 message);
    return 2;
}

void Answer(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}
}  // namespace

int main(int argc, char** argv) {
    const char* displayName = nullptr;
    uint32_t pid = static_cast<uint32_t>(getpid());
    bool readInput = true;
    std::vector<std::string> startup;
    std::string lastStartupWindow;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--display" && i + 1 < argc) {
            displayName = argv[++i];
        } else if (option == "--pid" && i + 1 < argc) {
            if (!ParsePid(argv[++i], pid)) return Usage("bad --pid");
        } else if (option == "--window" && i + 3 < argc) {
            startup.push_back(std::string("window ") + argv[i + 1] + ' ' + argv[i + 2] + ' ' + argv[i + 3]);
            lastStartupWindow = argv[i + 1];
            i += 3;
        } else if (option == "--no-stdin") {
            readInput = false;
        } else {
            return Usage(("unknown or incomplete option " + option).c_str());
        }
    }

    // A reader that stops listening must not end the windows it looks at.
    signal(SIGPIPE, SIG_IGN);
    // The signals arrive through a descriptor, beside the commands.
    sigset_t handled;
    sigemptyset(&handled);
    sigaddset(&handled, SIGTERM);
    sigaddset(&handled, SIGINT);
    sigaddset(&handled, SIGUSR1);
    sigprocmask(SIG_BLOCK, &handled, nullptr);
    const int signals = signalfd(-1, &handled, SFD_CLOEXEC);

    CX11TestDisplay display(displayName);
    if (!display.IsOpen()) {
        std::fprintf(stderr, "qlo_x11_windows: cannot open the X display\n");
        return 1;
    }
    CWindowScript script(display, pid);
    if (!startup.empty()) startup.push_back("activate " + lastStartupWindow);
    for (const std::string& command : startup) {
        const std::string answer = script.Run(command);
        if (answer.rfind("ok", 0) != 0) {
            std::fprintf(stderr, "qlo_x11_windows: %s\n", answer.c_str());
            return 2;
        }
    }
    Answer("ready " + std::to_string(getpid()));

    std::string pending;
    while (!script.Finished()) {
        pollfd ready[2] = {{signals, POLLIN, 0}, {readInput ? STDIN_FILENO : -1, POLLIN, 0}};
        if (poll(ready, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (ready[0].revents & POLLIN) {
            signalfd_siginfo info{};
            if (read(signals, &info, sizeof(info)) == static_cast<ssize_t>(sizeof(info))) {
                if (info.ssi_signo != SIGUSR1) break;
                script.ActivateNext();
            }
        }
        if (ready[1].revents & (POLLIN | POLLHUP)) {
            char buffer[4096];
            const ssize_t got = read(STDIN_FILENO, buffer, sizeof(buffer));
            if (got > 0) pending.append(buffer, static_cast<size_t>(got));
            size_t newline;
            while (!script.Finished() && (newline = pending.find('\n')) != std::string::npos) {
                std::string line = pending.substr(0, newline);
                pending.erase(0, newline + 1);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                if (!line.empty()) Answer(script.Run(line));
            }
            if (got <= 0) {
                if (!pending.empty() && !script.Finished()) Answer(script.Run(pending));
                break;
            }
        }
    }
    return 0;
}
