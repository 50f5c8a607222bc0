#pragma once
// Where a report tool finds the collector's database files (sys.db, func.db,
// actMMYY.db): the folder the collector's own settings name (the registry on
// Windows, the .reg file on Linux, read by CTimeManagerConfiguration), or a
// folder the user names.

#include <string>

// The database folder of the collector's settings, UTF-8, into `folder`. 1;
// otherwise CTimeManagerConfiguration::Load's result (-401/-402 no "Path"
// setting, 0 its folder does not exist or there is no application-data
// folder).
int CollectorDatabaseFolder(std::string& folder);

// The database folder for a folder a user named (UTF-8): the folder itself,
// or its "DB" subfolder when that holds sys.db and the folder does not (so
// the data folder itself may be named too).
std::string DatabaseFolderOf(const std::string& named);

// The database folder of a tool's --data option (`named`, in the system's
// narrow text; empty: not given), else of the collector's settings. 1; 0
// with the reason in `error`.
int ToolDatabaseFolder(const std::string& named, std::string& folder, std::string& error);
