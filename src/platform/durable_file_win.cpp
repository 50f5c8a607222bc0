#include <windows.h>

#include "platform/durable_file.h"

int CDurableFile::ReadCopy(const std::string& path, size_t limit, std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? 0 : -1;
    }
    LARGE_INTEGER size = {};
    int result = GetFileSizeEx(file, &size) && static_cast<uint64_t>(size.QuadPart) <= limit ? 1 : -1;
    char buffer[4096];
    while (result == 1) {
        DWORD got = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr) || bytes.size() + got > limit) result = -1;
        if (result != 1 || got == 0) break;
        bytes.append(buffer, got);
    }
    CloseHandle(file);
    return result;
}

bool CDurableFile::WriteCopy(const std::string& path, const std::string& bytes) {
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool whole = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                       written == bytes.size() && SetEndOfFile(file) && FlushFileBuffers(file);
    return CloseHandle(file) && whole;
}
