#include <windows.h>

#include <cstdio>

#include "platform/password_prompt.h"

bool ReadSecretLine(const char* prompt, std::string& secret) {
    secret.clear();
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD saved = 0;
    if (input == INVALID_HANDLE_VALUE || !GetConsoleMode(input, &saved)) return false;
    // Echo goes off before the prompt shows, so nothing typed after it is echoed.
    if (!SetConsoleMode(input, (saved | ENABLE_LINE_INPUT) & ~static_cast<DWORD>(ENABLE_ECHO_INPUT))) return false;
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    std::wstring line;
    bool ended = false;
    wchar_t c;
    DWORD got = 0;
    while (ReadConsoleW(input, &c, 1, &got, nullptr) && got == 1) {
        if (c == L'\n') {
            ended = true;
            break;
        }
        if (c != L'\r') line += c;
    }
    SetConsoleMode(input, saved);
    std::fputs("\n", stderr);
    if (!ended && line.empty()) return false;
    if (line.empty()) return true;
    const int size =
        WideCharToMultiByte(CP_ACP, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0) return false;
    secret.resize(static_cast<size_t>(size));
    WideCharToMultiByte(CP_ACP, 0, line.c_str(), static_cast<int>(line.size()), secret.data(), size, nullptr, nullptr);
    SecureZeroMemory(line.data(), line.size() * sizeof(wchar_t));
    return true;
}
