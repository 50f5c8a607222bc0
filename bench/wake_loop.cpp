// wake_loop: wakes once a second and does nothing else: the least any
// once-a-second process costs on this machine, the floor beneath the
// collector's CPU time per tick (collector_cpu.sh runs it beside the others).
//
//   wake_loop     runs until SIGTERM or SIGINT
#include <chrono>
#include <thread>

int main() {
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}
