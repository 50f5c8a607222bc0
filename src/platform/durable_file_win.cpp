#include <windows.h>

#include "platform/durable_file.h"

int WriteFileDurably(const char* path, const std::string& content) {
    if (!path || !*path) return 0;
    const std::string temporary = std::string(path) + ".tmp";
    HANDLE file =
        CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    DWORD written = 0;
    const bool whole = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
                       written == content.size() && FlushFileBuffers(file);
    const bool closed = CloseHandle(file) != 0;
    if (!whole || !closed ||
        !MoveFileExA(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temporary.c_str());
        return 0;
    }
    return 1;
}

int ReadSmallFile(const char* path, std::string& content, size_t limit) {
    content.clear();
    if (!path) return -1;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? 0 : -1;
    }
    int result = 1;
    char buffer[4096];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr) || content.size() + got > limit) {
            result = -1;
            break;
        }
        if (got == 0) break;
        content.append(buffer, got);
    }
    CloseHandle(file);
    if (result != 1) content.clear();
    return result;
}

int RemoveFile(const char* path) {
    if (!path) return 0;
    if (DeleteFileA(path)) return 1;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? 1 : 0;
}
