#pragma once
// A folder service whose application-data folder is one the test chooses (a
// temporary folder), so that nothing a test does reaches the user's own
// folders. Long path names and folder creation go to the service it replaces
// (normally the real one). Installs itself as the process-wide folder service
// for its lifetime and puts the previous one back when destroyed.

#include <string>

#include "platform/folders.h"

class CFakeFolders : public CFolderService {
public:
    // An empty folder: the application-data folder cannot be had.
    explicit CFakeFolders(std::string appDataFolder);
    ~CFakeFolders() override;
    CFakeFolders(const CFakeFolders&) = delete;
    CFakeFolders& operator=(const CFakeFolders&) = delete;

    int GetAppDataFolder(char* buffer, unsigned size) override;
    unsigned GetLongPathName(const char* path, char* buffer, unsigned size) override;
    int CreateDirectory(const char* path) override;

private:
    std::string m_appData;
    CFolderService* m_previous;
};
