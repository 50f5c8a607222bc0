// window_helper: a visible window with a given title that takes the
// foreground and keeps the last-input time fresh, standing in for any program
// the user works with. Copied under another name (excel.exe, iexplore.exe) it
// is seen as that program.
#include <cstdio>

#include "helper_common.h"

namespace {
const char kUsage[] =
    "usage: window_helper [--title TEXT] [--class NAME] [--input-ms N] [--no-input]\n"
    "                     [--lifetime SECONDS]\n"
    "Opens a visible top-level window, takes the foreground and prints\n"
    "\"ready pid=<id> window=0x<handle>\"; then reads commands, one per line, on\n"
    "standard input and answers each with \"ok ...\" or \"error ...\".\n"
    "options:\n"
    "  --title TEXT        the window's title (default \"Helper window\")\n"
    "  --class NAME        the window's class (default \"QLOHelperWindow\")\n";
}  // namespace

int main(int argc, char** argv) {
    std::vector<helper::COption> options;
    std::string error;
    if (argc == 2 && std::string(argv[1]) == "--help") {
        std::printf("%s%s%s\ncommands:\n%s", kUsage, helper::kInputHelp, helper::kLifetimeHelp,
                    helper::kWindowCommandsHelp);
        return 0;
    }
    unsigned inputMs = 1000, lifetime = 600;
    if (!helper::ParseOptions(argc, argv, {"--title", "--class", "--input-ms", "--lifetime"}, {"--no-input"}, options,
                              error) ||
        !helper::CountOption(options, "--input-ms", 1000, inputMs, error) ||
        !helper::CountOption(options, "--lifetime", 600, lifetime, error)) {
        std::fprintf(stderr, "window_helper: %s (see --help)\n", error.c_str());
        return 2;
    }

    helper::CHelperWindow window;
    if (!window.Create(helper::OptionValue(options, "--class", "QLOHelperWindow"),
                       helper::OptionValue(options, "--title", "Helper window"))) {
        std::fprintf(stderr, "window_helper: the window could not be created (error %lu)\n", GetLastError());
        return 1;
    }
    window.SetInputPeriod(helper::HasOption(options, "--no-input") ? 0 : inputMs);
    helper::Reply("ready pid=%lu window=0x%08lX", GetCurrentProcessId(),
                  static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(window.Handle())));
    return helper::RunCommandLoop(lifetime, [&](const std::string& command, const std::string& argument) {
        if (!window.HandleCommand(command, argument)) helper::Reply("error %s unknown command", command.c_str());
    });
}
