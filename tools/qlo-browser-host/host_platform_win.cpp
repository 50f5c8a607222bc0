#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h:
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host_platform.h"

namespace {
constexpr char kParentWindowOption[] = "--parent-window=";

// The parent of `processId` and the parent's file name; false when not found.
bool FindParent(DWORD processId, DWORD& parent, char* parentName, size_t parentNameSize) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    parent = 0;
    for (BOOL more = Process32First(snapshot, &entry); more && !parent; more = Process32Next(snapshot, &entry))
        if (entry.th32ProcessID == processId) parent = entry.th32ParentProcessID;
    parentName[0] = '\0';
    if (parent) {
        entry.dwSize = sizeof(entry);
        for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
            if (entry.th32ProcessID == parent) {
                std::snprintf(parentName, parentNameSize, "%s", entry.szExeFile);
                break;
            }
    }
    CloseHandle(snapshot);
    return parent != 0;
}
}  // namespace

void PrepareStandardStreams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
}

uint32_t BrowserProcessId(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], kParentWindowOption, sizeof(kParentWindowOption) - 1) != 0) continue;
        const auto window = reinterpret_cast<HWND>(
            static_cast<ULONG_PTR>(std::strtoull(argv[i] + sizeof(kParentWindowOption) - 1, nullptr, 10)));
        DWORD owner = 0;
        if (window && GetWindowThreadProcessId(window, &owner) && owner) return owner;
    }
    DWORD parent = 0;
    char name[MAX_PATH];
    if (!FindParent(GetCurrentProcessId(), parent, name, sizeof(name))) return 0;
    if (_stricmp(name, "cmd.exe") == 0) {
        DWORD browser = 0;
        if (FindParent(parent, browser, name, sizeof(name))) return browser;
    }
    return parent;
}
