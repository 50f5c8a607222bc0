// The folders of the Windows target: the shell's roaming application-data
// folder, GetLongPathNameA and CreateDirectoryA, all in the ANSI code page.
#include <windows.h>
// windows.h first: shlobj.h needs its types.
#include <shlobj.h>
// The service's operations share their names with the ANSI/wide macros of windows.h.
#undef CreateDirectory
#undef GetLongPathName

#include <cstring>

#include "platform/folders.h"

namespace {
bool IsFolder(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

class CShellFolders : public CFolderService {
public:
    int GetAppDataFolder(char* buffer, unsigned size) override {
        if (!buffer || size == 0) return 0;
        char folder[MAX_PATH] = {};
        if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder)))
            return 0;
        const size_t length = std::strlen(folder);
        if (length == 0 || length >= size) return 0;
        std::memcpy(buffer, folder, length + 1);
        return 1;
    }

    unsigned GetLongPathName(const char* path, char* buffer, unsigned size) override {
        if (!path || !*path || !buffer || size == 0) return 0;
        const DWORD length = GetLongPathNameA(path, buffer, size);
        // A result of `size` or more is the buffer size the path would need.
        return length < size ? length : 0;
    }

    int CreateDirectory(const char* path) override {
        if (!path || !*path) return 0;
        if (CreateDirectoryA(path, nullptr)) return 1;
        // An existing folder is what was asked for; an existing file is not.
        return GetLastError() == ERROR_ALREADY_EXISTS && IsFolder(path) ? 1 : 0;
    }
};
}  // namespace

CFolderService& SystemFolders() {
    static CShellFolders folders;
    return folders;
}
