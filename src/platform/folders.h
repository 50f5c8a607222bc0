#pragma once
// The folder service: the user's application-data folder, long path names and
// creating folders.
//
// Windows: SHGetFolderPathA(CSIDL_APPDATA | CSIDL_FLAG_CREATE),
// GetLongPathNameA, CreateDirectoryA. Linux: ${XDG_DATA_HOME:-$HOME/.local/share},
// realpath(3), mkdir(2).
// Paths are narrow text: the ANSI code page on Windows, UTF-8 on Linux.

class CFolderService {
public:
    virtual ~CFolderService() = default;

    // The application-data folder (created when missing) into `buffer` of
    // `size` bytes. 1 on success; 0 when it cannot be found or does not fit.
    virtual int GetAppDataFolder(char* buffer, unsigned size) = 0;
    // The long-name form of an existing path. The length written (without the
    // terminator); 0 when the path does not exist or does not fit.
    virtual unsigned GetLongPathName(const char* path, char* buffer, unsigned size) = 0;
    // Creates one folder level. 1 created or already there; 0 the parent is
    // missing, a file of that name is in the way, or creation failed.
    virtual int CreateDirectory(const char* path) = 0;
};

CFolderService& Folders();
CFolderService* SetFolders(CFolderService* folders);
