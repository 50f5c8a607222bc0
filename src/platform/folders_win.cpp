// Placeholder until the real folder service lands: no folders.
#include "platform/folders.h"

namespace {
class CNoFolders : public CFolderService {
public:
    int GetAppDataFolder(char*, unsigned) override { return 0; }
    unsigned GetLongPathName(const char*, char*, unsigned) override { return 0; }
    int CreateDirectory(const char*) override { return 0; }
};
}  // namespace

CFolderService& SystemFolders() {
    static CNoFolders folders;
    return folders;
}
