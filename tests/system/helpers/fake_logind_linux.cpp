// qlo_fake_logind: plays logind on a private D-Bus for tests of the Linux
// collector's session lock watch, where no real logind (or no system bus at
// all) can be steered. It owns the name org.freedesktop.login1 and serves
// what the watch uses:
//   /org/freedesktop/login1, org.freedesktop.login1.Manager.GetSession(s id)
//       answers /org/freedesktop/login1/session/<id, path-encoded> for any id
//   /org/freedesktop/login1/session/<any>, org.freedesktop.login1.Session
//       the boolean property LockedHint, one value shared by every session
//
//   qlo_fake_logind --address ADDRESS [--locked] [--invalidate]
//
//   --address     the bus to connect to (as dbus-daemon --print-address gives it)
//   --locked      LockedHint is true at the start (default false)
//   --invalidate  changes are announced as invalidated, without their value
//                 (by default PropertiesChanged carries the new value)
//
// It prints "ready" once it owns the name, then runs one command per line of
// its standard input and answers each with one line ("ok" or "error <reason>"):
//   lock, unlock   sets LockedHint and announces the change on every session
//                  path handed out so far, even when the value stays the same
//   quit           ends the program (so does the end of its input)
// Exit code 1: the bus could not be joined or the name not owned; 2: bad usage.

#include <poll.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

namespace {
const char kSessionPrefix[] = "/org/freedesktop/login1/session";
const char kSessionInterface[] = "org.freedesktop.login1.Session";

struct CFakeLogind {
    ~CFakeLogind() { sd_bus_flush_close_unref(bus); }

    sd_bus* bus = nullptr;
    bool locked = false;
    std::set<std::string> sessionPaths;
};

int GetSession(sd_bus_message* call, void* data, sd_bus_error*) {
    auto* logind = static_cast<CFakeLogind*>(data);
    const char* id = nullptr;
    int result = sd_bus_message_read(call, "s", &id);
    if (result < 0) return result;
    char* path = nullptr;
    if ((result = sd_bus_path_encode(kSessionPrefix, id, &path)) < 0) return result;
    logind->sessionPaths.insert(path);
    result = sd_bus_reply_method_return(call, "o", path);
    std::free(path);
    return result;
}

int GetLockedHint(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* data, sd_bus_error*) {
    return sd_bus_message_append(reply, "b", static_cast<int>(static_cast<CFakeLogind*>(data)->locked));
}

// Every object below the session prefix is a session.
int FindSession(sd_bus*, const char*, const char*, void* data, void** found, sd_bus_error*) {
    *found = data;
    return 1;
}

const sd_bus_vtable kManagerVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("GetSession", "s", "o", GetSession, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END,
};
const sd_bus_vtable kSessionVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("LockedHint", "b", GetLockedHint, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_VTABLE_END,
};
const sd_bus_vtable kInvalidatingSessionVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("LockedHint", "b", GetLockedHint, 0, SD_BUS_VTABLE_PROPERTY_EMITS_INVALIDATION),
    SD_BUS_VTABLE_END,
};

void Answer(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

std::string Run(CFakeLogind& logind, const std::string& command) {
    if (command != "lock" && command != "unlock") return "error unknown command " + command;
    logind.locked = command == "lock";
    for (const std::string& path : logind.sessionPaths) {
        const int result =
            sd_bus_emit_properties_changed(logind.bus, path.c_str(), kSessionInterface, "LockedHint", nullptr);
        if (result < 0) return std::string("error ") + std::strerror(-result);
    }
    const int flushed = sd_bus_flush(logind.bus);
    return flushed < 0 ? std::string("error ") + std::strerror(-flushed) : "ok";
}

int Usage(const char* problem) {
    std::fprintf(stderr, "qlo_fake_logind: %s\nusage: qlo_fake_logind --address ADDRESS [--locked] [--invalidate]\n",
                 problem);
    return 2;
}

int Fail(const char* step, int result) {
    std::fprintf(stderr, "qlo_fake_logind: %s: %s\n", step, std::strerror(-result));
    return 1;
}
}  // namespace

int main(int argc, char** argv) {
    const char* address = nullptr;
    bool invalidate = false;
    CFakeLogind logind;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--address" && i + 1 < argc)
            address = argv[++i];
        else if (option == "--locked")
            logind.locked = true;
        else if (option == "--invalidate")
            invalidate = true;
        else
            return Usage(("unknown or incomplete option " + option).c_str());
    }
    if (!address) return Usage("--address is required");

    int result = sd_bus_new(&logind.bus);
    if (result < 0) return Fail("sd_bus_new", result);
    if ((result = sd_bus_set_address(logind.bus, address)) < 0) return Fail("address", result);
    sd_bus_set_bus_client(logind.bus, 1);
    if ((result = sd_bus_start(logind.bus)) < 0) return Fail("connect", result);
    if ((result = sd_bus_add_object_vtable(logind.bus, nullptr, "/org/freedesktop/login1",
                                           "org.freedesktop.login1.Manager", kManagerVtable, &logind)) < 0)
        return Fail("manager object", result);
    if ((result = sd_bus_add_fallback_vtable(logind.bus, nullptr, kSessionPrefix, kSessionInterface,
                                             invalidate ? kInvalidatingSessionVtable : kSessionVtable, FindSession,
                                             &logind)) < 0)
        return Fail("session objects", result);
    if ((result = sd_bus_request_name(logind.bus, "org.freedesktop.login1", 0)) < 0) return Fail("name", result);
    Answer("ready");

    std::string pending;
    bool finished = false;
    while (!finished) {
        while ((result = sd_bus_process(logind.bus, nullptr)) > 0) {
        }
        if (result < 0) return Fail("bus", result);
        pollfd ready[2] = {{STDIN_FILENO, POLLIN, 0},
                           {sd_bus_get_fd(logind.bus), static_cast<short>(sd_bus_get_events(logind.bus)), 0}};
        if (poll(ready, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (!(ready[0].revents & (POLLIN | POLLHUP))) continue;
        char buffer[512];
        const ssize_t got = read(STDIN_FILENO, buffer, sizeof(buffer));
        if (got <= 0) break;
        pending.append(buffer, static_cast<size_t>(got));
        size_t newline;
        while (!finished && (newline = pending.find('\n')) != std::string::npos) {
            const std::string line = pending.substr(0, newline);
            pending.erase(0, newline + 1);
            if (line == "quit")
                finished = true;
            else if (!line.empty())
                Answer(Run(logind, line));
        }
    }
    return 0;
}
