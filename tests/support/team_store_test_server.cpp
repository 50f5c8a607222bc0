#include "support/team_store_test_server.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <random>

#include "sensing/time_stamp.h"
#include "teamstore/pg_connection.h"

namespace {
std::string Server(int port, const std::string& database) {
    return "host=127.0.0.1 port=" + std::to_string(port) + " user=qlo dbname=" + database;
}
}  // namespace

CTeamStoreTestDatabase::CTeamStoreTestDatabase(const std::string& serverFolder) {
    std::ifstream(serverFolder.empty() ? "port" : serverFolder + "/port") >> m_port;
    EXPECT_GT(m_port, 0) << "no test server: its folder holds no port file";
    static std::atomic<int> count{0};
    std::random_device random;
    m_name = "qlo_test_" + std::to_string(random() % 1000000000) + "_" + std::to_string(count++);
    CPgConnection postgres;
    EXPECT_EQ(postgres.Connect(Server(m_port, "postgres"), ""), 1) << postgres.ErrorText();
    EXPECT_EQ(postgres.Exec("create database " + m_name), 1) << postgres.ErrorText();
}

CTeamStoreTestDatabase::~CTeamStoreTestDatabase() {
    CPgConnection postgres;
    if (postgres.Connect(Server(m_port, "postgres"), "") == 1)
        postgres.Exec("drop database if exists " + m_name + " with (force)");
}

std::string CTeamStoreTestDatabase::Conninfo() const { return Server(m_port, m_name); }

std::string CTeamStoreTestDatabase::PoolerConninfo(const std::string& poolerFolder) const {
    int port = 0;
    std::ifstream(poolerFolder + "/port") >> port;
    EXPECT_GT(port, 0) << "no test pooler: " << poolerFolder << " holds no port file";
    return "host=127.0.0.1 port=" + std::to_string(port) + " user=qlo dbname=" + m_name + " passfile=" + poolerFolder +
           "/pgpass";
}

void CTeamStoreTestDatabase::ExpectSummariesEqualRows() const {
    EXPECT_EQ(
        Query("select count(*) from orvanta.day_totals t full join (select machine_id, (start_date / "
              "1000000)::integer as day, project_id, task_id, app_id, activity_type, sum(duration) as seconds, "
              "count(*) as row_count from orvanta.activities group by 1, 2, 3, 4, 5, 6) r using (machine_id, day, "
              "project_id, task_id, app_id, activity_type) where t.seconds is distinct from r.seconds or "
              "t.row_count is distinct from r.row_count"),
        "0");
    EXPECT_EQ(Query("select count(*) from orvanta.month_totals t full join (select machine_id, day / 100 as month, "
                    "project_id, task_id, app_id, activity_type, sum(seconds) as seconds, sum(row_count) as "
                    "row_count from orvanta.day_totals group by 1, 2, 3, 4, 5, 6) r using (machine_id, month, "
                    "project_id, task_id, app_id, activity_type) where t.seconds is distinct from r.seconds or "
                    "t.row_count is distinct from r.row_count"),
              "0");
}

std::string CTeamStoreTestDatabase::Query(const std::string& sql) const {
    CPgConnection connection;
    EXPECT_EQ(connection.Connect(Conninfo(), ""), 1) << connection.ErrorText();
    CPgResult rows;
    EXPECT_EQ(connection.Exec(sql, {}, &rows), 1) << sql << ": " << connection.ErrorText();
    return rows.Rows() > 0 ? rows.Text(0, 0) : "";
}

std::vector<CStoredRow> FillTeamFolder(CActivityFolder& data, int seed, int months, int rowsPerMonth) {
    // The team's names, added in an order of the seed's, so that every
    // folder has ids of its own for them.
    std::mt19937 random(static_cast<unsigned>(seed));
    std::vector<std::string> projects = {"Development", "Meetings", "Support", "Client " + std::to_string(seed)};
    std::shuffle(projects.begin(), projects.end(), random);
    std::vector<int32_t> projectIds, taskIds, taskProjects;
    for (const std::string& name : projects) {
        const int32_t project = data.AddProject(name);
        projectIds.push_back(project);
        for (const char* task : {"General", "Review"}) {
            taskIds.push_back(data.AddTask(project, task));
            taskProjects.push_back(project);
        }
    }
    std::vector<int32_t> apps;
    for (const char* app : {"editor.exe", "browser.exe", "mail.exe"})
        apps.push_back(data.AddApp(app, std::string("C:\\Programs\\") + app));
    if (seed % 2) std::reverse(apps.begin(), apps.end());
    const int32_t sites[] = {data.AddSite("https://example.org"), data.AddSite("https://docs.example.org")};
    const int32_t user = data.AddUser("member" + std::to_string(seed), "TEAM");

    std::vector<CStoredRow> rows;
    static const int32_t kTypes[] = {1, 1, 1, 2, 1, 3, 1, 4};
    for (int month = 1; month <= months; ++month) {
        // Seconds since 1 day of the month, 08:00 (a month's rows fit in 28 days).
        auto stamp = [month](int64_t s) {
            return PackTimeStamp(CLocalTime{2026, month, static_cast<int>(1 + s / 86400),
                                            static_cast<int>(s / 3600 % 24), static_cast<int>(s / 60 % 60),
                                            static_cast<int>(s % 60)});
        };
        int64_t at = 8 * 3600;
        for (int i = 0; i < rowsPerMonth; ++i) {
            CStoredRow row;
            row.duration = 30 + static_cast<int64_t>(random() % 600);
            row.start = stamp(at);
            row.finish = stamp(at + row.duration);
            row.type = kTypes[random() % std::size(kTypes)];
            const size_t task = random() % taskIds.size();
            row.task = taskIds[task];
            row.project = taskProjects[task];
            row.app = apps[random() % apps.size()];
            row.user = user;
            row.title = "Row " + std::to_string(i) + " of 'seed' " + std::to_string(seed) + "\tä \"{a,NULL}\\";
            if (random() % 3 == 0) {
                row.site = sites[random() % 2];
                row.url = "https://example.org/page?" + std::to_string(i);
            }
            rows.push_back(row);
            at += row.duration;
        }
    }
    data.AddRows(rows);
    return rows;
}
