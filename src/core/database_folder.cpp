#include "core/database_folder.h"

#include "core/time_manager_configuration.h"
#include "platform/path.h"
#include "platform/path_exists.h"

int CollectorDatabaseFolder(std::string& folder) {
    CTimeManagerConfiguration configuration;
    const int loaded = configuration.Load();
    if (loaded != 1) return loaded;
    if (!configuration.GetDbFolderUtf8()) return 0;
    folder = configuration.GetDbFolderUtf8();
    return 1;
}

std::string DatabaseFolderOf(const std::string& named) {
    const std::string db = named + kPathSeparator + "DB";
    if (!Utf8PathExists(named + kPathSeparator + "sys.db") && Utf8PathExists(db + kPathSeparator + "sys.db")) return db;
    return named;
}
