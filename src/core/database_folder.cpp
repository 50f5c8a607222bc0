#include "core/database_folder.h"

#include "core/time_manager_configuration.h"
#include "platform/path.h"
#include "platform/path_exists.h"
#include "platform/text.h"

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

int ToolDatabaseFolder(const std::string& named, std::string& folder, std::string& error) {
    if (!named.empty()) {
        // Arguments arrive in the system's narrow text; file names are UTF-8.
        folder = DatabaseFolderOf(NarrowToUtf8(named.c_str()));
        return 1;
    }
    const int found = CollectorDatabaseFolder(folder);
    if (found == 1) return 1;
    error = "the collector's settings could not be read (" + std::to_string(found) +
            "); name the folder of the database files with --data DIR";
    return 0;
}
