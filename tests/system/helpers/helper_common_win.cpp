#include <cstdarg>
#include <cstdio>
#include <memory>
#include <thread>

#include "helper_common.h"

namespace helper {
namespace {
// A command line read from standard input; lParam owns a new std::string.
constexpr UINT kCommandMessage = WM_APP + 1;
// The timer of the window's input pulses.
constexpr UINT_PTR kInputTimer = 1;
// The period of "input on" when none was given before.
constexpr unsigned kDefaultInputPeriodMs = 1000;

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    for (const auto& known : names) {
        if (known == name) return true;
    }
    return false;
}

void PostCommand(DWORD loopThread, std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    auto text = std::make_unique<std::string>(std::move(line));
    if (PostThreadMessageA(loopThread, kCommandMessage, 0, reinterpret_cast<LPARAM>(text.get()))) text.release();
}

// Reads standard input with ReadFile rather than the C library, whose stream
// lock a blocked read would hold while the process exits.
void ReadCommands(DWORD loopThread) {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    std::string pending;
    char chunk[256];
    DWORD count = 0;
    while (ReadFile(input, chunk, sizeof(chunk), &count, nullptr) && count > 0) {
        pending.append(chunk, count);
        for (size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
            PostCommand(loopThread, pending.substr(0, end));
        }
    }
    if (!pending.empty()) PostCommand(loopThread, pending);
}

// Splits "word rest of line" into the command word and its argument.
void SplitCommand(const std::string& line, std::string& command, std::string& argument) {
    const size_t blank = line.find(' ');
    command = line.substr(0, blank);
    argument = blank == std::string::npos ? std::string() : line.substr(blank + 1);
}
}  // namespace

const char* const kLifetimeHelp =
    "  --lifetime SECONDS  end by itself after this many seconds (default 600; 0: never)\n";
const char* const kInputHelp =
    "  --input-ms N        move the mouse by one pixel every N ms so the last-input time\n"
    "                      stays fresh (default 1000)\n"
    "  --no-input          start without sending input (\"input on\" starts it)\n";
const char* const kWindowCommandsHelp =
    "  title TEXT          set the window's title\n"
    "  foreground          take the foreground again (and show the window)\n"
    "  background          hide the window: it leaves the foreground\n"
    "  input on|off        start or stop the input pulses\n"
    "  quit                end the program\n";

bool ParseOptions(int argc, char** argv, const std::vector<std::string>& withValue,
                  const std::vector<std::string>& flags, std::vector<COption>& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (Contains(flags, name)) {
            options.push_back({name, ""});
        } else if (Contains(withValue, name)) {
            if (i + 1 >= argc) {
                error = name + " needs a value";
                return false;
            }
            options.push_back({name, argv[++i]});
        } else {
            error = "unknown option " + name;
            return false;
        }
    }
    return true;
}

std::string OptionValue(const std::vector<COption>& options, const char* name, const std::string& fallback) {
    std::string value = fallback;
    for (const auto& option : options) {
        if (option.name == name) value = option.value;
    }
    return value;
}

bool HasOption(const std::vector<COption>& options, const char* name) {
    for (const auto& option : options) {
        if (option.name == name) return true;
    }
    return false;
}

bool ParseCount(const std::string& text, unsigned& value) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    value = static_cast<unsigned>(std::stoul(text));
    return true;
}

bool CountOption(const std::vector<COption>& options, const char* name, unsigned fallback, unsigned& value,
                 std::string& error) {
    value = fallback;
    if (!HasOption(options, name) || ParseCount(OptionValue(options, name, ""), value)) return true;
    error = std::string(name) + " takes a whole number";
    return false;
}

void Reply(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stdout, format, arguments);
    va_end(arguments);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int RunCommandLoop(unsigned lifetimeSeconds,
                   const std::function<void(const std::string& command, const std::string& argument)>& onCommand) {
    MSG message;
    // Makes sure this thread has a message queue before the reader posts to it.
    PeekMessageA(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    // The reader blocks on standard input for the rest of the process's life:
    // the process ends with it still waiting.
    std::thread(ReadCommands, GetCurrentThreadId()).detach();

    const UINT_PTR lifetime = lifetimeSeconds ? SetTimer(nullptr, 0, lifetimeSeconds * 1000u, nullptr) : 0;
    int exitCode = 0;
    for (;;) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0) exitCode = static_cast<int>(message.wParam);
            break;
        }
        if (!message.hwnd && message.message == kCommandMessage) {
            std::unique_ptr<std::string> line(reinterpret_cast<std::string*>(message.lParam));
            std::string command, argument;
            SplitCommand(*line, command, argument);
            if (command.empty()) continue;
            if (command == "quit") {
                Reply("ok quit");
                break;
            }
            onCommand(command, argument);
            continue;
        }
        if (!message.hwnd && message.message == WM_TIMER && lifetime && message.wParam == lifetime) break;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (lifetime) KillTimer(nullptr, lifetime);
    return exitCode;
}

CHelperWindow::~CHelperWindow() {
    if (m_window && IsWindow(m_window)) DestroyWindow(m_window);
}

bool CHelperWindow::Create(const std::string& className, const std::string& title) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = className.c_str();
    if (!RegisterClassExA(&windowClass)) return false;
    m_window = CreateWindowExA(0, className.c_str(), title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 640,
                               480, nullptr, nullptr, windowClass.hInstance, this);
    if (!m_window) return false;
    UpdateWindow(m_window);
    TakeForeground();
    return true;
}

bool CHelperWindow::TakeForeground() {
    ShowWindow(m_window, SW_SHOW);
    BringWindowToTop(m_window);
    SetForegroundWindow(m_window);
    return GetForegroundWindow() == m_window;
}

void CHelperWindow::SetInputPeriod(unsigned periodMs) {
    m_inputPeriodMs = periodMs;
    if (periodMs == 0) {
        KillTimer(m_window, kInputTimer);
        return;
    }
    m_lastPeriodMs = periodMs;
    SendInputPulse();
    SetTimer(m_window, kInputTimer, periodMs, nullptr);
}

bool CHelperWindow::HandleCommand(const std::string& command, const std::string& argument) {
    if (command == "title") {
        if (SetWindowTextA(m_window, argument.c_str())) {
            Reply("ok title");
        } else {
            Reply("error title SetWindowTextA failed with %lu", GetLastError());
        }
    } else if (command == "foreground") {
        if (TakeForeground()) {
            Reply("ok foreground");
        } else {
            Reply("error foreground another window kept it");
        }
    } else if (command == "background") {
        ShowWindow(m_window, SW_HIDE);
        Reply("ok background");
    } else if (command == "input" && (argument == "on" || argument == "off")) {
        SetInputPeriod(argument == "on" ? (m_lastPeriodMs ? m_lastPeriodMs : kDefaultInputPeriodMs) : 0);
        Reply("ok input %s", argument.c_str());
    } else {
        return false;
    }
    return true;
}

LRESULT CALLBACK CHelperWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<CHelperWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
        case WM_TIMER:
            if (self && wParam == kInputTimer) {
                self->SendInputPulse();
                return 0;
            }
            break;
        case WM_DESTROY:
            if (self) self->m_window = nullptr;
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void CHelperWindow::SendInputPulse() {
    // A relative move of one pixel, alternately right and left, so the cursor
    // stays where it was.
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = m_direction;
    input.mi.dwFlags = MOUSEEVENTF_MOVE;
    m_direction = -m_direction;
    SendInput(1, &input, sizeof(input));
}

}  // namespace helper
