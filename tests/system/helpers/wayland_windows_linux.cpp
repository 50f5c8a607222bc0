// qlo_wayland_windows: a Wayland client that plays applications for tests of
// the wlroots desktop service: xdg-shell toplevels with a title and an app
// id (each shows a small buffer, so the compositor maps it), and user input
// through wlr-virtual-pointer.
//
//   qlo_wayland_windows [--display NAME]
//
//   --display NAME  the compositor's socket name or path (default: $WAYLAND_DISPLAY)
//
// It prints "ready <its pid>" once connected, then runs one command per line
// of its standard input and answers each with one line, "ok" or "error
// <reason>", after a round trip (the compositor has handled the request).
// NAME is a name the test gives the window; TEXT is the rest of the line.
//
//   window NAME APPID TEXT   a toplevel titled TEXT
//   title NAME TEXT          a new title
//   close NAME               destroys the toplevel
//   input                    a pointer motion: the user is active
//   quit                     ends the program (so does the end of its input)
//
// Exit code 1: the compositor could not be reached or lacks a protocol; 2: bad usage.
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace {
constexpr int kSide = 32;  // the buffer every window shows, in pixels

struct CGlobals {
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    xdg_wm_base* shell = nullptr;
    zwlr_virtual_pointer_manager_v1* pointers = nullptr;
    wl_buffer* buffer = nullptr;
};

struct CWindow {
    CGlobals* globals = nullptr;
    wl_surface* surface = nullptr;
    xdg_surface* shellSurface = nullptr;
    xdg_toplevel* toplevel = nullptr;

    ~CWindow() {
        xdg_toplevel_destroy(toplevel);
        xdg_surface_destroy(shellSurface);
        wl_surface_destroy(surface);
    }
};

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    auto* globals = static_cast<CGlobals*>(data);
    const std::string which = interface;
    if (which == wl_compositor_interface.name)
        globals->compositor = static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 4));
    else if (which == wl_shm_interface.name)
        globals->shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    else if (which == xdg_wm_base_interface.name)
        globals->shell = static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
    else if (which == zwlr_virtual_pointer_manager_v1_interface.name)
        globals->pointers = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}
void OnGlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistryListener{OnGlobal, OnGlobalRemove};

void OnPing(void*, xdg_wm_base* shell, uint32_t serial) { xdg_wm_base_pong(shell, serial); }
const xdg_wm_base_listener kShellListener{OnPing};

void OnConfigure(void* data, xdg_surface* shellSurface, uint32_t serial) {
    auto* window = static_cast<CWindow*>(data);
    xdg_surface_ack_configure(shellSurface, serial);
    wl_surface_attach(window->surface, window->globals->buffer, 0, 0);
    wl_surface_commit(window->surface);
}
const xdg_surface_listener kSurfaceListener{OnConfigure};

void OnToplevelConfigure(void*, xdg_toplevel*, int32_t, int32_t, wl_array*) {}
void OnToplevelClose(void*, xdg_toplevel*) {}
// Bound at version 1: the later events never come.
const xdg_toplevel_listener kToplevelListener{OnToplevelConfigure, OnToplevelClose, nullptr, nullptr};

// One white square, shared by every window.
wl_buffer* MakeBuffer(wl_shm* shm) {
    const int stride = kSide * 4, size = stride * kSide;
    const int fd = memfd_create("qlo-window", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, size) != 0) return nullptr;
    void* pixels = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (pixels == MAP_FAILED) return nullptr;
    std::memset(pixels, 0xFF, size);
    munmap(pixels, size);
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, size);
    wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, kSide, kSide, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    return buffer;
}

bool TakeWord(std::string& rest, std::string& word) {
    const size_t end = rest.find(' ');
    word = rest.substr(0, end);
    rest = end == std::string::npos ? std::string() : rest.substr(end + 1);
    return !word.empty();
}

class CScript {
public:
    CScript(wl_display* display, CGlobals& globals) : m_display(display), m_globals(globals) {}

    std::string Run(std::string rest) {
        std::string command, name;
        TakeWord(rest, command);
        if (command == "input") {
            if (!m_pointer) m_pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(m_globals.pointers, nullptr);
            zwlr_virtual_pointer_v1_motion(m_pointer, ++m_time, wl_fixed_from_int(1), wl_fixed_from_int(1));
            zwlr_virtual_pointer_v1_frame(m_pointer);
            return RoundTrip();
        }
        if (!TakeWord(rest, name)) return "error usage: " + command + " NAME ...";
        if (command == "window") {
            std::string appId;
            if (!TakeWord(rest, appId)) return "error usage: window NAME APPID TEXT";
            if (m_windows.count(name)) return "error window exists: " + name;
            auto window = std::make_unique<CWindow>();
            window->globals = &m_globals;
            window->surface = wl_compositor_create_surface(m_globals.compositor);
            window->shellSurface = xdg_wm_base_get_xdg_surface(m_globals.shell, window->surface);
            xdg_surface_add_listener(window->shellSurface, &kSurfaceListener, window.get());
            window->toplevel = xdg_surface_get_toplevel(window->shellSurface);
            xdg_toplevel_add_listener(window->toplevel, &kToplevelListener, window.get());
            xdg_toplevel_set_app_id(window->toplevel, appId.c_str());
            xdg_toplevel_set_title(window->toplevel, rest.c_str());
            wl_surface_commit(window->surface);
            m_windows[name] = std::move(window);
            return RoundTrip();
        }
        const auto found = m_windows.find(name);
        if (found == m_windows.end()) return "error no window " + name;
        if (command == "title") {
            xdg_toplevel_set_title(found->second->toplevel, rest.c_str());
            wl_surface_commit(found->second->surface);
        } else if (command == "close") {
            m_windows.erase(found);
        } else {
            return "error unknown command " + command;
        }
        return RoundTrip();
    }

private:
    std::string RoundTrip() { return wl_display_roundtrip(m_display) < 0 ? "error the compositor went away" : "ok"; }

    wl_display* m_display;
    CGlobals& m_globals;
    std::map<std::string, std::unique_ptr<CWindow>> m_windows;
    zwlr_virtual_pointer_v1* m_pointer = nullptr;
    uint32_t m_time = 0;
};

void Answer(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}
}  // namespace

int main(int argc, char** argv) {
    const char* name = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--display") == 0 && i + 1 < argc) {
            name = argv[++i];
        } else {
            std::fprintf(stderr, "usage: qlo_wayland_windows [--display NAME]\n");
            return 2;
        }
    }
    wl_display* display = wl_display_connect(name);
    if (!display) {
        std::fprintf(stderr, "qlo_wayland_windows: cannot reach the compositor\n");
        return 1;
    }
    CGlobals globals;
    wl_registry_add_listener(wl_display_get_registry(display), &kRegistryListener, &globals);
    wl_display_roundtrip(display);
    if (!globals.compositor || !globals.shm || !globals.shell || !globals.pointers ||
        !(globals.buffer = MakeBuffer(globals.shm))) {
        std::fprintf(stderr, "qlo_wayland_windows: the compositor lacks a protocol this helper needs\n");
        return 1;
    }
    xdg_wm_base_add_listener(globals.shell, &kShellListener, nullptr);
    CScript script(display, globals);
    Answer("ready " + std::to_string(getpid()));

    std::string pending;
    for (bool finished = false; !finished;) {
        wl_display_flush(display);
        pollfd ready[2] = {{STDIN_FILENO, POLLIN, 0}, {wl_display_get_fd(display), POLLIN, 0}};
        if (poll(ready, 2, -1) < 0) continue;
        if ((ready[1].revents & POLLIN) && wl_display_dispatch(display) < 0) return 1;
        if (!(ready[0].revents & (POLLIN | POLLHUP))) continue;
        char buffer[4096];
        const ssize_t got = read(STDIN_FILENO, buffer, sizeof(buffer));
        if (got <= 0) break;
        pending.append(buffer, static_cast<size_t>(got));
        for (size_t newline; !finished && (newline = pending.find('\n')) != std::string::npos;) {
            const std::string line = pending.substr(0, newline);
            pending.erase(0, newline + 1);
            if (line == "quit")
                finished = true;
            else if (!line.empty())
                Answer(script.Run(line));
        }
    }
    return 0;
}
