#include <windows.h>

#include "platform/private_file.h"

int MakeOwnerOnlyFile(const char* path) {
    if (!path || !*path) return -1;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    CloseHandle(file);
    return 1;
}

void KeepNewFilesOwnerOnly() {}

int RestrictFolderToOwner(const char* path, int& repaired) {
    repaired = 0;
    if (!path || !*path) return -1;
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : -1;
}
