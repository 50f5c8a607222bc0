#pragma once
// What the helper programs of the test suite share: command-line options, the
// line protocol on standard input and output, and a visible top-level window
// that takes the foreground and keeps the last-input time fresh.
//
// Protocol. A helper prints one line "ready pid=<id> ..." once it is set up,
// then reads one command per line on its standard input and answers each with
// one line on its standard output: "ok <command> [details]" or
// "error <command> <reason>". "quit" ends it, and so do closing its window and
// the end of its lifetime (--lifetime seconds, 600 unless given; 0: none). The
// end of standard input is not a command: a helper started with nothing on its
// input runs until it is ended in one of those ways.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace helper {

struct COption {
    std::string name;
    std::string value;
};

// The options of a command line. Names listed in `withValue` take the next
// argument as their value; names in `flags` take none. False, with a message
// in `error`, for an unknown option or a missing value.
bool ParseOptions(int argc, char** argv, const std::vector<std::string>& withValue,
                  const std::vector<std::string>& flags, std::vector<COption>& options, std::string& error);
// The value of the last occurrence of `name`, or `fallback` when it is absent.
std::string OptionValue(const std::vector<COption>& options, const char* name, const std::string& fallback);
bool HasOption(const std::vector<COption>& options, const char* name);
// A whole non-negative number; false when `text` is anything else.
bool ParseCount(const std::string& text, unsigned& value);
// The whole number given with `name`, or `fallback` when the option is
// absent; false, with a message in `error`, when its value is not one.
bool CountOption(const std::vector<COption>& options, const char* name, unsigned fallback, unsigned& value,
                 std::string& error);

// Writes one line to standard output and flushes it, so a test reading the
// pipe sees it at once.
void Reply(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));

// Reads command lines from standard input on a thread of its own and hands
// them to the message loop of the calling thread; runs that loop until "quit",
// WM_QUIT or the end of the lifetime. `onCommand` gets the command word and
// the rest of the line (the argument, without the blank between them) and
// answers the command itself. Returns the process exit code.
int RunCommandLoop(unsigned lifetimeSeconds,
                   const std::function<void(const std::string& command, const std::string& argument)>& onCommand);

// A visible top-level window of a class of its own
// that takes the foreground when created and, while input is on, moves the
// mouse by one pixel back and forth every period so that GetLastInputInfo
// keeps reporting recent input.
class CHelperWindow {
public:
    CHelperWindow() = default;
    ~CHelperWindow();
    CHelperWindow(const CHelperWindow&) = delete;
    CHelperWindow& operator=(const CHelperWindow&) = delete;

    // Registers the class and creates the window; false when either fails.
    bool Create(const std::string& className, const std::string& title);
    HWND Handle() const { return m_window; }
    // True when the window is the foreground window afterwards.
    bool TakeForeground();
    // Starts (period above 0) or stops (0) the input pulses; the first pulse
    // is sent at once.
    void SetInputPeriod(unsigned periodMs);
    // Answers the commands every window helper knows: "title <text>",
    // "foreground", "background", "input on", "input off". False when the command is not one
    // of them (nothing was answered).
    bool HandleCommand(const std::string& command, const std::string& argument);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void SendInputPulse();

    HWND m_window = nullptr;
    unsigned m_inputPeriodMs = 0;
    unsigned m_lastPeriodMs = 0;
    int m_direction = 1;
};

// The options and lines of help shared by the window helpers.
extern const char* const kLifetimeHelp;
extern const char* const kInputHelp;
extern const char* const kWindowCommandsHelp;

}  // namespace helper
