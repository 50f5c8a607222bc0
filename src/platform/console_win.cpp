#include <windows.h>

#include "platform/console.h"

bool StandardErrorIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

void UseUtf8Console() { SetConsoleOutputCP(CP_UTF8); }
