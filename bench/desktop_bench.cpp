// What the desktop service costs the collector every second: the queries of
// one capture (foreground window, title length and text, owner, last input)
// and the messenger check (a top-level window searched by class), against an
// X display with a window in front. Run it under xvfb-run:
//   xvfb-run -a build/linux-release/bin/desktop_bench
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "platform/desktop_linux.h"
#include "support/x11_test_display_linux.h"

namespace {
void DesktopTick(benchmark::State& state) {
    CX11TestDisplay x;
    if (!x.IsOpen()) {
        state.SkipWithError("needs an X display");
        return;
    }
    x.SetActive(x.CreateWindow("Editor", "Quarterly report.odt - Editor", static_cast<uint32_t>(getpid())));
    auto desktop = CreateX11Desktop(std::nullopt);
    char title[262];
    for (auto _ : state) {
        const WindowHandle window = desktop->GetForegroundWindow();
        benchmark::DoNotOptimize(desktop->GetWindowTextLength(window));
        benchmark::DoNotOptimize(desktop->GetWindowText(window, title, 260));
        benchmark::DoNotOptimize(desktop->GetWindowProcessId(window));
        uint32_t lastInput = 0;
        benchmark::DoNotOptimize(desktop->GetLastInputTick(lastInput));
    }
}
BENCHMARK(DesktopTick);

// A class no window has: every top-level window is looked at.
void FindWindowAmongTopLevelWindows(benchmark::State& state) {
    CX11TestDisplay x;
    if (!x.IsOpen()) {
        state.SkipWithError("needs an X display");
        return;
    }
    for (int i = 0; i < state.range(0); ++i)
        x.CreateWindow("Other" + std::to_string(i), "Window " + std::to_string(i), 1);
    auto desktop = CreateX11Desktop(std::nullopt);
    for (auto _ : state)
        benchmark::DoNotOptimize(desktop->FindWindow("tSkMainForm"));
}
BENCHMARK(FindWindowAmongTopLevelWindows)->Arg(10)->Arg(100);
}  // namespace
