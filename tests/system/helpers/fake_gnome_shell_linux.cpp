// qlo_fake_gnome_shell: plays GNOME Shell on a private D-Bus for tests of the
// GNOME desktop service: the collector's shell extension (the focused window)
// and Mutter's idle monitor, with the names and interfaces of
// src/platform/gnome_names_linux.h.
//
//   qlo_fake_gnome_shell --address ADDRESS [--no-extension]
//
//   --no-extension  only the idle monitor: the extension is not enabled
//
// It prints "ready" once it owns its names, then runs one command per line of
// its standard input and answers each with "ok" or "error <reason>":
//   focus WINDOW PID CLASS TITLE   the focused window (WINDOW 0: none), announced
//   idle MILLISECONDS              the idle time; idle watches up to it fire
//   active                         input: the idle time is 0, user-active watches fire
//   quit                           ends the program (so does the end of its input)
// Exit code 1: the bus could not be joined or a name not owned; 2: bad usage.
#include <poll.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>

#include "platform/gnome_names_linux.h"

namespace {
struct CFakeShell {
    ~CFakeShell() { sd_bus_flush_close_unref(bus); }

    sd_bus* bus = nullptr;
    uint64_t window = 0;
    std::string title, windowClass;
    uint32_t pid = 0;
    uint64_t idleMs = 0;
    uint32_t lastWatch = 0;
    std::map<uint32_t, uint64_t> idleWatches;  // id -> interval; fired ones are marked below
    std::map<uint32_t, bool> idleFired;
    std::map<uint32_t, bool> activeWatches;
};

CFakeShell* Shell(void* data) { return static_cast<CFakeShell*>(data); }

int GetFocus(sd_bus_message* call, void* data, sd_bus_error*) {
    const CFakeShell* shell = Shell(data);
    return sd_bus_reply_method_return(call, "tssu", shell->window, shell->title.c_str(), shell->windowClass.c_str(),
                                      shell->pid);
}

int AddIdleWatch(sd_bus_message* call, void* data, sd_bus_error*) {
    uint64_t interval = 0;
    const int result = sd_bus_message_read(call, "t", &interval);
    if (result < 0) return result;
    const uint32_t id = ++Shell(data)->lastWatch;
    Shell(data)->idleWatches[id] = interval;
    Shell(data)->idleFired[id] = false;
    return sd_bus_reply_method_return(call, "u", id);
}

int AddUserActiveWatch(sd_bus_message* call, void* data, sd_bus_error*) {
    const uint32_t id = ++Shell(data)->lastWatch;
    Shell(data)->activeWatches[id] = true;
    return sd_bus_reply_method_return(call, "u", id);
}

int GetIdletime(sd_bus_message* call, void* data, sd_bus_error*) {
    return sd_bus_reply_method_return(call, "t", Shell(data)->idleMs);
}

const sd_bus_vtable kFocusVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("GetFocus", "", "tssu", GetFocus, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_SIGNAL("FocusChanged", "tssu", 0),
    SD_BUS_VTABLE_END,
};
const sd_bus_vtable kIdleMonitorVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("AddIdleWatch", "t", "u", AddIdleWatch, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("AddUserActiveWatch", "", "u", AddUserActiveWatch, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("GetIdletime", "", "t", GetIdletime, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_SIGNAL("WatchFired", "u", 0),
    SD_BUS_VTABLE_END,
};

int Fire(CFakeShell& shell, uint32_t id) {
    return sd_bus_emit_signal(shell.bus, kIdleMonitorPath, kIdleMonitorInterface, "WatchFired", "u", id);
}

std::string Run(CFakeShell& shell, const std::string& line) {
    std::istringstream words(line);
    std::string command;
    words >> command;
    int result = 0;
    if (command == "focus") {
        if (!(words >> shell.window >> shell.pid >> shell.windowClass)) return "error usage: focus WINDOW PID CLASS TITLE";
        std::getline(words >> std::ws, shell.title);
        result = sd_bus_emit_signal(shell.bus, kFocusPath, kFocusInterface, "FocusChanged", "tssu", shell.window,
                                    shell.title.c_str(), shell.windowClass.c_str(), shell.pid);
    } else if (command == "idle") {
        if (!(words >> shell.idleMs)) return "error usage: idle MILLISECONDS";
        for (auto& [id, interval] : shell.idleWatches)
            if (interval <= shell.idleMs && !shell.idleFired[id] && result >= 0) {
                shell.idleFired[id] = true;
                result = Fire(shell, id);
            }
    } else if (command == "active") {
        shell.idleMs = 0;
        for (auto& [id, fired] : shell.idleFired)
            fired = false;
        for (const auto& [id, unused] : shell.activeWatches)
            if (result >= 0) result = Fire(shell, id);
        shell.activeWatches.clear();
    } else {
        return "error unknown command " + command;
    }
    if (result >= 0) result = sd_bus_flush(shell.bus);
    return result < 0 ? std::string("error ") + std::strerror(-result) : "ok";
}

int Fail(const char* step, int result) {
    std::fprintf(stderr, "qlo_fake_gnome_shell: %s: %s\n", step, std::strerror(-result));
    return 1;
}
}  // namespace

int main(int argc, char** argv) {
    const char* address = nullptr;
    bool extension = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--address") == 0 && i + 1 < argc) {
            address = argv[++i];
        } else if (std::strcmp(argv[i], "--no-extension") == 0) {
            extension = false;
        } else {
            address = nullptr;
            break;
        }
    }
    if (!address) {
        std::fprintf(stderr, "usage: qlo_fake_gnome_shell --address ADDRESS [--no-extension]\n");
        return 2;
    }
    CFakeShell shell;
    int result = sd_bus_new(&shell.bus);
    if (result >= 0) result = sd_bus_set_address(shell.bus, address);
    if (result >= 0) result = sd_bus_set_bus_client(shell.bus, 1);
    if (result >= 0) result = sd_bus_start(shell.bus);
    if (result < 0) return Fail("connect", result);
    if ((result = sd_bus_add_object_vtable(shell.bus, nullptr, kIdleMonitorPath, kIdleMonitorInterface,
                                           kIdleMonitorVtable, &shell)) < 0 ||
        (result = sd_bus_request_name(shell.bus, kIdleMonitorName, 0)) < 0)
        return Fail("idle monitor", result);
    if (extension && ((result = sd_bus_add_object_vtable(shell.bus, nullptr, kFocusPath, kFocusInterface,
                                                         kFocusVtable, &shell)) < 0 ||
                      (result = sd_bus_request_name(shell.bus, kFocusName, 0)) < 0))
        return Fail("extension", result);
    std::printf("ready\n");
    std::fflush(stdout);

    std::string pending;
    for (bool finished = false; !finished;) {
        while ((result = sd_bus_process(shell.bus, nullptr)) > 0) {
        }
        if (result < 0) return Fail("bus", result);
        pollfd ready[2] = {{STDIN_FILENO, POLLIN, 0},
                           {sd_bus_get_fd(shell.bus), static_cast<short>(sd_bus_get_events(shell.bus)), 0}};
        if (poll(ready, 2, -1) < 0) continue;
        if (!(ready[0].revents & (POLLIN | POLLHUP))) continue;
        char buffer[512];
        const ssize_t got = read(STDIN_FILENO, buffer, sizeof(buffer));
        if (got <= 0) break;
        pending.append(buffer, static_cast<size_t>(got));
        for (size_t newline; !finished && (newline = pending.find('\n')) != std::string::npos;) {
            const std::string line = pending.substr(0, newline);
            pending.erase(0, newline + 1);
            if (line == "quit") {
                finished = true;
            } else if (!line.empty()) {
                std::printf("%s\n", Run(shell, line).c_str());
                std::fflush(stdout);
            }
        }
    }
    return 0;
}
