// CDBManager: opening and closing the databases, and the monthly switch of
// the activity file.

#include "storage/db_manager.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "sensing/time_stamp.h"
#include "storage/activities_table.h"
#include "storage/activity_file_name.h"
#include "storage/apps_table.h"
#include "storage/projects_table.h"
#include "storage/rules_table.h"
#include "storage/sites_table.h"
#include "storage/tasks_table.h"
#include "storage/users_table.h"

namespace {
constexpr int kNameLimit = 64;
constexpr int kMessageLimit = 255;
constexpr int kConnectAttempts = 10;
constexpr char kSysFile[] = "sys.db";
constexpr char kFuncFile[] = "func.db";

int ConnectWithRetries(CDBSQLite& connection, const char* path) {
    for (int attempt = 0; attempt < kConnectAttempts; ++attempt)
        if (connection.Connect(path) == 1) return 1;
    return 0;
}
}  // namespace

CDBManager::~CDBManager() { CloseDatabases(); }

void CDBManager::Record(const char* name, int code, const char* messageFormat, ...) {
    char message[kMessageLimit + 1];
    va_list arguments;
    va_start(arguments, messageFormat);
    std::vsnprintf(message, sizeof message, messageFormat, arguments);
    va_end(arguments);
    SetError(name, kNameLimit, message, kMessageLimit, code);
}

void CDBManager::RecordInner(const char* label, const CErrorBase& inner) {
    char name[kNameLimit + 1];
    std::snprintf(name, sizeof name, "%s|%s", label, OrEmpty(inner.GetErrorName()));
    Record(name, inner.GetErrorCode(), "(%i) %s", inner.GetErrorCode(), OrEmpty(inner.GetErrorText()));
}

int CDBManager::Initialization() {
    const char* folder = GetPath();
    if (!folder) {
        Record("GetPath", -8, "NULL path pointer");
        return -8;
    }
    const int64_t now = NowTimeStamp();
    char actFile[32];
    FormatActivityFileName(now, actFile);
    CWorkingDirectory sysPath;
    CWorkingDirectory funcPath;
    CWorkingDirectory actPath;
    if (const int set = sysPath.SetPath(folder, 0, kSysFile, 0); set != 1) {
        Record("SWD", set, "Set sys path failed %i", set);
        return -401;
    }
    if (const int set = funcPath.SetPath(folder, 0, kFuncFile, 0); set != 1) {
        Record("SWD", set, "Set func path failed %i", set);
        return -402;
    }
    if (const int set = actPath.SetPath(folder, 0, actFile, 0); set != 1) {
        Record("SWD", set, "Set Act path failed %i", set);
        return -403;
    }
    m_actFileDate = now;

    if (ConnectWithRetries(m_sysDB, sysPath.GetPath()) != 1) {
        RecordInner("SysDBConnect", m_sysDB);
        return -404;
    }
    CDBAppTable apps;
    if (apps.CreateTable(&m_sysDB) != 1) {
        RecordInner("CreateApp", apps);
        return -405;
    }
    CDBUserTable users;
    if (users.CreateTable(&m_sysDB) != 1) {
        RecordInner("CreateUser", users);
        return -406;
    }
    CDBSitesTable sites;
    if (sites.CreateTable(&m_sysDB) != 1) {
        RecordInner("CreateSite", sites);
        return -407;
    }

    if (ConnectWithRetries(m_funcDB, funcPath.GetPath()) != 1) {
        RecordInner("FuncDBConnect", m_funcDB);
        return 0;
    }
    CDBTaskTable tasks;
    if (tasks.CreateTable(&m_funcDB) != 1) {
        RecordInner("CreateTask", tasks);
        return -408;
    }
    CDBProjectTable projects;
    if (projects.CreateTable(&m_funcDB) != 1) {
        RecordInner("CreatePrj", projects);
        return -409;
    }
    CDBRulesTable rules;
    if (rules.CreateTable(&m_funcDB) != 1) {
        RecordInner("CreateRule", rules);
        return -410;
    }

    if (ConnectWithRetries(m_actDB, actPath.GetPath()) != 1) {
        RecordInner("ActDBConnect", m_actDB);
        return 0;
    }
    CDBActivitiesTable activities;
    if (activities.CreateTable(&m_actDB) != 1) {
        RecordInner("CreateAct", activities);
        return -411;
    }
    return 1;
}

int CDBManager::CloseDatabases() {
    m_sysDB.Disconnect();
    m_funcDB.Disconnect();
    m_actDB.Disconnect();
    return 1;
}

int CDBManager::SetActFileDate(int64_t date) {
    if (date == 0) return -1;
    m_actFileDate = date;
    return 1;
}

int CDBManager::CheckADB(int64_t date) {
    if (date == 0) return -1;
    if (m_actFileDate == 0) return -52;
    const bool sameMonth = MonthOf(date) == MonthOf(m_actFileDate) && YearOf(date) == YearOf(m_actFileDate);
    // The file of the month stays in use only while it is open: after a failed
    // open it is opened again rather than leaving every save to fail.
    if (sameMonth && m_actDB.GetHandle()) {
        m_actFileDate = date;
        return 1;
    }
    if (m_actDB.GetHandle() && m_actDB.Disconnect() != 1) {
        char name[kNameLimit + 1];
        std::snprintf(name, sizeof name, "ActDBDiSC|%s", OrEmpty(m_actDB.GetErrorName()));
        Record(name, m_actDB.GetErrorCode(), "Disconnect failed (%i) %s", m_actDB.GetErrorCode(),
               OrEmpty(m_actDB.GetErrorText()));
    }
    return OpenActivityFile(date);
}

int CDBManager::OpenActivityFile(int64_t date) {
    const char* folder = GetPath();
    if (!folder) {
        Record("Get Path", -8, "Path is NULL");
        return -8;
    }
    char fileName[32];
    if (FormatActivityFileName(date, fileName) == 0) {
        Record("Get ActDBFileName", -401, "File name was not set");
        return -401;
    }
    CWorkingDirectory path;
    if (const int set = path.SetPath(folder, 0, fileName, 0); set != 1) {
        Record("Set DB file path", -402, "Failed %i", set);
        return -402;
    }
    if (m_actDB.Connect(path.GetPath()) != 1) {
        RecordInner("ActDBReConnect", m_actDB);
        return -2;
    }
    CDBActivitiesTable activities;
    if (const int created = activities.CreateTable(&m_actDB); created != 1) {
        Record("Create ActDB", -402, "Failed %i", created);
        m_actDB.Disconnect();
        return -403;
    }
    m_actFileDate = date;
    return 2;
}
