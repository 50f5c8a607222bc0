// x11_query_loop: the X11 queries that one collector tick made while it asked
// the server at every tick (the window in front, its title length and text,
// its owner, the idle time: five round trips; the messenger's search for its
// main window by class is made only when the program in front is the
// messenger, which it is not in the benchmark) once a second and nothing
// else: the yardstick for the collector's CPU time per tick
// (collector_cpu.sh runs both side by side).
//
//   x11_query_loop     runs until SIGTERM or SIGINT
#include <X11/Xatom.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/x11_connection_linux.h"
#include "platform/x11_title_linux.h"

int main() {
    CX11Connection connection(std::nullopt);
    for (;;) {
        {
            CX11Session x(connection);
            unsigned long window = None, pid = 0, idle = 0;
            x.ReadCardinal(x.Root(), x.Atoms().netActiveWindow, XA_WINDOW, window);
            std::string length, title;
            if (ReadWindowTitle(x, window, length) && !length.empty()) ReadWindowTitle(x, window, title);
            x.ReadCardinal(window, x.Atoms().netWmPid, XA_CARDINAL, pid);
            x.IdleMilliseconds(idle);
        }
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
}
