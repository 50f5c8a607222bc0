#include "support/activity_folder.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <map>

#include "platform/path.h"
#include "platform/text.h"
#include "storage/activities_table.h"
#include "storage/activity_file_name.h"
#include "storage/apps_table.h"
#include "storage/projects_table.h"
#include "storage/rules_table.h"
#include "storage/sites_table.h"
#include "storage/tasks_table.h"
#include "storage/users_table.h"
#include "support/raw_database.h"

namespace {
// A UTF-8 text as the collector stores it (narrow text), quoted for SQL.
std::string Quote(const std::string& utf8) {
    std::string quoted = "'";
    for (char c : Utf8ToNarrow(utf8)) {
        if (c == '\'') quoted += '\'';
        quoted += c;
    }
    return quoted + "'";
}
std::string OrNull(const std::string& text) { return text.empty() ? "null" : Quote(text); }

void BindId(sqlite3_stmt* statement, int index, int64_t id) {
    if (id == kNullId)
        sqlite3_bind_null(statement, index);
    else
        sqlite3_bind_int64(statement, index, id);
}
}  // namespace

CActivityFolder::CActivityFolder(std::string folder) : m_folder(std::move(folder)) {
    CDBSQLite sys, func;
    EXPECT_EQ(sys.Connect((m_folder + kPathSeparator + "sys.db").c_str()), 1);
    EXPECT_EQ(func.Connect((m_folder + kPathSeparator + "func.db").c_str()), 1);
    EXPECT_EQ(CDBAppTable().CreateTable(&sys), 1);
    EXPECT_EQ(CDBUserTable().CreateTable(&sys), 1);
    EXPECT_EQ(CDBSitesTable().CreateTable(&sys), 1);
    EXPECT_EQ(CDBTaskTable().CreateTable(&func), 1);
    EXPECT_EQ(CDBProjectTable().CreateTable(&func), 1);
    EXPECT_EQ(CDBRulesTable().CreateTable(&func), 1);
    sys.Disconnect();
    func.Disconnect();
}

int32_t CActivityFolder::Insert(const std::string& file, const std::string& sql) {
    CRawDatabase db(m_folder + kPathSeparator + file);
    EXPECT_EQ(db.Exec(sql), SQLITE_OK) << sql;
    return static_cast<int32_t>(sqlite3_last_insert_rowid(db.Handle()));
}

int32_t CActivityFolder::AddApp(const std::string& fileName, const std::string& path) {
    return Insert("sys.db", "insert into T_Apps (FileName, Path, CreateDate) values (" + Quote(fileName) + ", " +
                                Quote(path) + ", 20260101000000)");
}

int32_t CActivityFolder::AddUser(const std::string& name, const std::string& domain) {
    return Insert("sys.db", "insert into T_Users (Name, Domen, Description) values (" + Quote(name) + ", " +
                                Quote(domain) + ", " + Quote(domain + "\\" + name) + ")");
}

int32_t CActivityFolder::AddSite(const std::string& url) {
    return Insert("sys.db", "insert into T_Sites (URL) values (" + Quote(url) + ")");
}

int32_t CActivityFolder::AddProject(const std::string& name) {
    return Insert("func.db",
                  "insert into T_Projects (Name, Description, Status, CreateDate, ExternalPMSType, "
                  "ExternalId, ExternalKey, DeleteDate, Deleted) values (" +
                      Quote(name) + ", '', 0, 20260101000000, 0, 0, '', 0, 0)");
}

int32_t CActivityFolder::AddTask(int32_t project, const std::string& name, bool isDefault) {
    return Insert("func.db",
                  "insert into T_Tasks (Name, Id_Project, Id_ParentTask, Description, Status, CreateDate, "
                  "ExternalPMSType, ExternalId, ExternalKey, ExternalStatus, ExternalStatusName, "
                  "DeleteDate, Deleted, IsDefault) values (" +
                      Quote(name) + ", " + std::to_string(project) +
                      ", 0, '', 0, 20260101000000, 0, 0, '', 0, '', 0, 0, " + (isDefault ? "1" : "0") + ")");
}

int32_t CActivityFolder::AddRule(int32_t project, int32_t task, int32_t appType, const std::string& path,
                                 const std::string& title, const std::string& url, int32_t site) {
    return Insert("func.db",
                  "insert into T_Rules (Id_RulesGroup, Status, Id_App, Id_Task, Id_Project, Title, "
                  "Id_Site, URL, Path, TimeStart, TimeFinish, AppType) values (0, 1, 0, " +
                      std::to_string(task) + ", " + std::to_string(project) + ", " + OrNull(title) + ", " +
                      std::to_string(site) + ", " + OrNull(url) + ", " + OrNull(path) + ", 0, 0, " +
                      std::to_string(appType) + ")");
}

std::string CActivityFolder::MonthFile(int64_t date) const {
    char name[32];
    FormatActivityFileName(date, name);
    return m_folder + kPathSeparator + name;
}

int64_t CActivityFolder::AddRows(const std::vector<CStoredRow>& rows) {
    std::map<std::string, std::vector<const CStoredRow*>> byFile;
    for (const CStoredRow& row : rows)
        byFile[MonthFile(row.start)].push_back(&row);
    int64_t written = 0;
    for (const auto& [file, fileRows] : byFile) {
        CDBSQLite connection;
        EXPECT_EQ(connection.Connect(file.c_str()), 1);
        EXPECT_EQ(CDBActivitiesTable().CreateTable(&connection), 1);
        sqlite3* db = connection.GetHandle();
        sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db,
                                     "insert into T_Activities (StartDate, FinishDate, Duration, FormatedDuration, "
                                     "Id_ActivityType, Title, Id_User, Id_App, Id_Site, Id_Project, Id_Task, URL, "
                                     "Logged) values (?, ?, ?, 0, ?, ?, ?, ?, ?, ?, ?, ?, 0)",
                                     -1, &insert, nullptr),
                  SQLITE_OK);
        for (const CStoredRow* row : fileRows) {
            sqlite3_bind_int64(insert, 1, row->start);
            sqlite3_bind_int64(insert, 2, row->finish);
            sqlite3_bind_int64(insert, 3, row->duration);
            sqlite3_bind_int(insert, 4, row->type);
            sqlite3_bind_text(insert, 5, Utf8ToNarrow(row->title).c_str(), -1, SQLITE_TRANSIENT);
            BindId(insert, 6, row->user);
            BindId(insert, 7, row->app);
            BindId(insert, 8, row->site);
            BindId(insert, 9, row->project);
            BindId(insert, 10, row->task);
            if (row->url.empty())
                sqlite3_bind_null(insert, 11);
            else
                sqlite3_bind_text(insert, 11, Utf8ToNarrow(row->url).c_str(), -1, SQLITE_TRANSIENT);
            if (sqlite3_step(insert) == SQLITE_DONE) ++written;
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        EXPECT_EQ(sqlite3_exec(db, "commit", nullptr, nullptr, nullptr), SQLITE_OK);
    }
    return written;
}

CSampleFolder::CSampleFolder(const std::string& folder) : data(folder) {
    data.AddApp("editor.exe", "C:\\Apps\\editor.exe");
    data.AddApp("na\xc3\xafve 'x', y.exe", "C:\\Na\xc3\xafve\\x.exe");
    data.AddApp("firefox.exe", "C:\\Firefox\\firefox.exe");
    data.AddUser("alice", "HOST");
    data.AddUser("J\xc3\xbcrgen", "DOM'AIN");
    data.AddSite(
        "https://b\xc3\xbc"
        "cher.example");
    data.AddSite("https://o'reilly.example");
    const int32_t customer = data.AddProject(
        "Kunde \"S\xc3\xbc"
        "d\", 'Nord'");
    const int32_t internal = data.AddProject("Internal");
    data.AddTask(customer, "Write, review");
    data.AddTask(internal, "O'Brien");
    data.AddTask(internal,
                 "\xc3\x9c"
                 "n\xc3\xaf"
                 "code",
                 true);

    const int64_t apps[] = {kNullId, 0, 1, 2, 3};
    const int64_t projects[] = {kNullId, 0, 1, 2};
    const int64_t tasks[] = {kNullId, 0, 1, 2, 3};
    const int64_t sites[] = {kNullId, 0, 1, 2};
    for (int month : {1, 3, 4})
        for (int day : {1, 15, 28})
            for (int k = 0; k < 8; ++k) {
                CStoredRow row;
                const int64_t date = 20260000000000 + month * 100000000LL + day * 1000000LL;
                row.start = date + 80000 + k / 6 * 10000 + k % 6 * 1000;  // 08:00, 08:10, ... 09:10
                row.duration = 60 * (k + 1);
                row.finish = row.start + row.duration / 60 * 100;
                row.type = k % 6;
                row.title = k % 2 ? "Report \"Q1\", 'draft' \xe2\x80\x93 Editor" : "plain title";
                row.user = k % 3 == 0 ? kNullId : 1 + k % 2;
                row.app = apps[k % 5];
                row.project = projects[k % 4];
                row.task = tasks[(k + day) % 5];
                row.site = sites[k % 4];
                row.url = row.site > 0 ? "https://example.org/page?q=" + std::to_string(k) : "";
                rows.push_back(row);
            }
    for (int month : {1, 3}) {
        CStoredRow huge;
        huge.start = 20260015120000 + month * 100000000LL;
        huge.finish = huge.start + 10000;
        huge.duration = 3000000000LL;
        huge.type = 1;
        huge.project = 2;
        huge.task = 2;
        huge.app = 3;
        huge.site = 1;
        huge.url =
            "https://b\xc3\xbc"
            "cher.example/";
        rows.push_back(huge);
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const CStoredRow& a, const CStoredRow& b) { return a.start < b.start; });
    CStoredRow setBack = rows.back();
    setBack.start = 20260415070000;  // stored last, starts first on that day
    setBack.finish = 20260415070500;
    setBack.duration = 300;
    setBack.type = 2;
    setBack.app = 3;
    rows.push_back(setBack);
    data.AddRows(rows);
}

std::map<int32_t, int64_t> ExpectedTotals(const std::vector<CStoredRow>& rows, ReportGrouping by, int64_t from,
                                          int64_t to) {
    std::map<int32_t, int64_t> sums;
    auto id = [](int64_t value) { return value == kNullId ? 0 : static_cast<int32_t>(value); };
    if (by == ReportGrouping::ActivityType)
        for (int32_t type = 1; type <= 4; ++type)
            sums[type] = 0;
    for (const CStoredRow& row : rows) {
        if (row.start < from || row.start > to) continue;
        switch (by) {
            case ReportGrouping::ActivityType:
                sums[row.type] += row.duration;
                break;
            case ReportGrouping::App:
                if (row.type == 1 || row.type == 2) sums[id(row.app)] += row.duration;
                break;
            case ReportGrouping::User:
                sums[id(row.user)] += row.duration;
                break;
            case ReportGrouping::Site:
                if (id(row.site) > 0) sums[id(row.site)] += row.duration;
                break;
            case ReportGrouping::Project:
                if (id(row.project) != 0) sums[id(row.project)] += row.duration;
                break;
            case ReportGrouping::Task:
                if (id(row.task) != 0) sums[id(row.task)] += row.duration;
                break;
        }
    }
    return sums;
}
