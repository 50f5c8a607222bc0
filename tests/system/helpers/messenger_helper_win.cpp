// messenger_helper: the windows of the messenger as the collector looks for
// them: a top-level window of class "tSkMainForm" whose title names the
// account after a hyphen, holding conversation panes of class
// "TConversationForm", some hidden and some shown. Copied as skype.exe it is
// seen as the messenger.
#include <cstdio>

#include "helper_common.h"

namespace {
const char kUsage[] =
    "usage: messenger_helper [--title TEXT] [--hidden TEXT]... [--visible TEXT]...\n"
    "                        [--input-ms N] [--no-input] [--lifetime SECONDS]\n"
    "Opens a main window of class \"tSkMainForm\" holding child windows of class\n"
    "\"TConversationForm\", takes the foreground and prints\n"
    "\"ready pid=<id> window=0x<handle>\"; then reads commands, one per line, on\n"
    "standard input and answers each with \"ok ...\" or \"error ...\".\n"
    "options:\n"
    "  --title TEXT        the main window's title (default \"Skype - test.user\")\n"
    "  --hidden TEXT       a hidden conversation pane with this title\n"
    "  --visible TEXT      a shown conversation pane with this title\n"
    "                      (panes are created in command-line order; without any:\n"
    "                      a hidden \"Hidden conversation\" then a shown \"Visible conversation\")\n";
const char kCommandsHelp[] =
    "  conversation N TEXT set the title of pane N (1 is the first)\n"
    "  show N, hide N      show or hide pane N\n";

const char kMainClass[] = "tSkMainForm";
const char kConversationClass[] = "TConversationForm";

bool RegisterConversationClass() {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kConversationClass;
    return RegisterClassExA(&windowClass) != 0;
}

// The pane named by a 1-based number in `argument` (followed by the rest of
// the line in `rest`), or nullptr.
HWND FindPane(const std::vector<HWND>& panes, const std::string& argument, std::string& rest) {
    const size_t blank = argument.find(' ');
    unsigned number = 0;
    if (!helper::ParseCount(argument.substr(0, blank), number) || number < 1 || number > panes.size()) return nullptr;
    rest = blank == std::string::npos ? std::string() : argument.substr(blank + 1);
    return panes[number - 1];
}
}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--help") {
        std::printf("%s%s%s\ncommands:\n%s%s", kUsage, helper::kInputHelp, helper::kLifetimeHelp,
                    helper::kWindowCommandsHelp, kCommandsHelp);
        return 0;
    }
    std::vector<helper::COption> options;
    std::string error;
    unsigned inputMs = 1000, lifetime = 600;
    if (!helper::ParseOptions(argc, argv, {"--title", "--hidden", "--visible", "--input-ms", "--lifetime"},
                              {"--no-input"}, options, error) ||
        !helper::CountOption(options, "--input-ms", 1000, inputMs, error) ||
        !helper::CountOption(options, "--lifetime", 600, lifetime, error)) {
        std::fprintf(stderr, "messenger_helper: %s (see --help)\n", error.c_str());
        return 2;
    }
    std::vector<helper::COption> panes;
    for (const auto& option : options) {
        if (option.name == "--hidden" || option.name == "--visible") panes.push_back(option);
    }
    if (panes.empty()) panes = {{"--hidden", "Hidden conversation"}, {"--visible", "Visible conversation"}};

    helper::CHelperWindow window;
    if (!RegisterConversationClass() ||
        !window.Create(kMainClass, helper::OptionValue(options, "--title", "Skype - test.user"))) {
        std::fprintf(stderr, "messenger_helper: the windows could not be created (error %lu)\n", GetLastError());
        return 1;
    }
    std::vector<HWND> paneWindows;
    for (const auto& pane : panes) {
        const DWORD style = WS_CHILD | WS_BORDER | (pane.name == "--visible" ? WS_VISIBLE : 0);
        const int top = 10 + 40 * static_cast<int>(paneWindows.size());
        HWND child = CreateWindowExA(0, kConversationClass, pane.value.c_str(), style, 10, top, 300, 30,
                                     window.Handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
        if (!child) {
            std::fprintf(stderr, "messenger_helper: a pane could not be created (error %lu)\n", GetLastError());
            return 1;
        }
        paneWindows.push_back(child);
    }
    window.SetInputPeriod(helper::HasOption(options, "--no-input") ? 0 : inputMs);
    helper::Reply("ready pid=%lu window=0x%08lX", GetCurrentProcessId(),
                  static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(window.Handle())));

    return helper::RunCommandLoop(lifetime, [&](const std::string& command, const std::string& argument) {
        if (window.HandleCommand(command, argument)) return;
        std::string rest;
        if (command == "conversation" || command == "show" || command == "hide") {
            HWND pane = FindPane(paneWindows, argument, rest);
            if (!pane) {
                helper::Reply("error %s no such pane", command.c_str());
            } else if (command == "conversation") {
                SetWindowTextA(pane, rest.c_str());
                helper::Reply("ok conversation");
            } else {
                ShowWindow(pane, command == "show" ? SW_SHOW : SW_HIDE);
                helper::Reply("ok %s", command.c_str());
            }
            return;
        }
        helper::Reply("error %s unknown command", command.c_str());
    });
}
