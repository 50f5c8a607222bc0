#include <windows.h>

#include "platform/file.h"

bool CPlatformFile::Open(const char* path, bool create) {
    if (IsOpen() || !path) return false;
    HANDLE h = CreateFileA(path, GENERIC_WRITE, 0 /* no sharing */, nullptr, create ? OPEN_ALWAYS : OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    m_handle = reinterpret_cast<intptr_t>(h);
    return true;
}

bool CPlatformFile::OpenExisting(const char* path) { return Open(path, false); }
bool CPlatformFile::OpenAlways(const char* path) { return Open(path, true); }

int64_t CPlatformFile::SeekToEnd() {
    if (!IsOpen()) return -1;
    LARGE_INTEGER end;
    LARGE_INTEGER none{};
    if (!SetFilePointerEx(reinterpret_cast<HANDLE>(m_handle), none, &end, FILE_END)) return -1;
    return end.QuadPart;
}

bool CPlatformFile::IsAt(const char*) const { return IsOpen(); }

bool CPlatformFile::Write(const void* data, size_t size) {
    if (!IsOpen()) return false;
    DWORD written = 0;
    return WriteFile(reinterpret_cast<HANDLE>(m_handle), data, static_cast<DWORD>(size), &written, nullptr) &&
           written == size;
}

bool CPlatformFile::Close() {
    if (!IsOpen()) return false;
    CloseHandle(reinterpret_cast<HANDLE>(m_handle));
    m_handle = kNone;
    return true;
}
