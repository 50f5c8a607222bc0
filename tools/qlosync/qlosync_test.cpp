// qlosync and qloreport --server run in-process against the test server
// (tests/support/pg_test_server.sh): the data folders of several people and
// computers pushed, pushed again and added to, and the store's reports equal
// to the local ones per person and in sum; then every way a push is refused;
// then who reads what (members, leads, hand-written SQL), the upgrade of a
// store of the first version, sign-off with late pushes, and budgets.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "qloreport/qloreport_run.h"
#include "qlosync/qlosync_run.h"
#include "storage/changed_ranges.h"
#include "support/console_tool_run.h"
#include "support/raw_database.h"
#include "support/team_store_test_server.h"
#include "support/temp_folder.h"
#include "support/test_registry.h"
#include "teamstore/pg_connection.h"
#include "teamstore/team_store_schema.h"

namespace {
using CRun = CToolRun;

// Group name -> seconds of a `totals --format json` answer.
std::map<std::string, int64_t> Groups(const CRun& run) {
    std::map<std::string, int64_t> groups;
    EXPECT_EQ(run.status, 0) << run.err;
    if (run.status != 0) return groups;
    const nlohmann::json answer = nlohmann::json::parse(run.out);
    for (const auto& group : answer["groups"])
        groups[group["name"].get<std::string>()] += group["seconds"].get<int64_t>();
    return groups;
}

void Add(std::map<std::string, int64_t>& sum, const std::map<std::string, int64_t>& part) {
    for (const auto& [name, seconds] : part)
        sum[name] += seconds;
}

int64_t Total(const std::map<std::string, int64_t>& groups) {
    int64_t total = 0;
    for (const auto& group : groups)
        total += group.second;
    return total;
}

const std::vector<std::string> kRange = {"--from", "2026-01-15", "--to", "2026-04-15"};

constexpr char kKey[] = "SOFTWARE\\Belvane\\Orvanta\\Team Store";
const char* const kShareSettings[] = {"Share Programs", "Share Sites", "Share Titles", "Share Addresses",
                                      "Share Accounts"};

class TeamStore : public ::testing::Test {
protected:
    TeamStore() {
        // Everything shared, so that the store's reports can equal the local ones.
        for (const char* name : kShareSettings)
            registry.SetNumber(kKey, name, 1);
    }
    CTestRegistry registry;
    CTeamStoreTestDatabase store;
    CTempFolder alice1, alice2, bob;
    CSampleFolder aliceSample{alice1.Str()};
    CActivityFolder alice2Data{alice2.Str()}, bobData{bob.Str()};
    std::vector<CStoredRow> alice2Rows = FillTeamFolder(alice2Data, 2, 4, 150);
    std::vector<CStoredRow> bobRows = FillTeamFolder(bobData, 3, 4, 200);

    CRun Sync(std::vector<std::string> args, const std::string& server = "") {
        args.insert(args.end(), {"--server", server.empty() ? store.Conninfo() : server});
        return RunConsoleTool(RunQlosync, args);
    }
    CRun Push(const CTempFolder& folder, const std::string& person, const std::string& server = "") {
        return Sync({"push", "--data", folder.Str(), "--person", person, "--batch", "100"}, server);
    }
    // Reports read through the pooler, as the team's computers may.
    CRun Report(std::vector<std::string> args, const std::string& user) {
        args.insert(args.end(), {"--server", store.PoolerConninfo(), "--user", user});
        return RunConsoleTool(RunQloreport, args);
    }
    static CRun Local(std::vector<std::string> args, const CTempFolder& folder) {
        args.insert(args.end(), {"--data", folder.Str()});
        return RunConsoleTool(RunQloreport, args);
    }
    int64_t StoredRows() const { return std::stoll(store.Query("select count(*) from orvanta.activities")); }

    // A login role granted `group`, named after the test's database (roles
    // are the server's, shared by every test); it is also its person's name.
    std::string Role(const std::string& name, const char* group) {
        const std::string role = store.Name() + "_" + name;
        store.Query("create role " + role + " login password 'pw-" + role + "' in role " + group);
        return role;
    }
    std::string RoleConninfo(const std::string& role) const {
        return "host=127.0.0.1 port=" + std::to_string(store.Port()) + " dbname=" + store.Name() + " user=" + role;
    }
    // `tool` connecting as `role`, whose password is the settings'.
    CRun As(const std::string& role, std::vector<std::string> args, decltype(&RunQlosync) tool = RunQlosync) {
        registry.SetString(kKey, "Connection", RoleConninfo(role));
        registry.SetString(kKey, "Password", "pw-" + role);
        args.insert(args.end(), {"--server", RoleConninfo(role)});
        return RunConsoleTool(tool, args);
    }
    CRun PushAs(const std::string& role, const CTempFolder& folder) {
        return As(role, {"push", "--data", folder.Str(), "--person", role, "--batch", "100"});
    }
    // Hand-written SQL as `role`: the first value, or "refused: " and why.
    std::string SqlAs(const std::string& role, const std::string& sql) const {
        CPgConnection connection;
        CPgResult rows;
        if (connection.Connect(RoleConninfo(role), "pw-" + role) != 1 || connection.Exec(sql, {}, &rows) != 1)
            return "refused: " + connection.ErrorText();
        return rows.Rows() > 0 ? rows.Text(0, 0) : "";
    }
    static constexpr char kKey[] = "SOFTWARE\\Belvane\\Orvanta\\Team Store";
};

std::vector<std::string> Args(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

TEST_F(TeamStore, PeopleAndComputersPushedOnceGiveTheirLocalTotalsPerPersonAndInSumAndNewRowsFollow) {
    ASSERT_EQ(Sync({"init"}).status, 0);
    ASSERT_EQ(Push(alice1, "alice").status, 0);
    // Through the pooler, which hands each transaction any server connection.
    ASSERT_EQ(Push(alice2, "alice", store.PoolerConninfo()).status, 0);
    const CRun first = Push(bob, "bob", store.PoolerConninfo());
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_NE(first.out.find("800 rows added (800 sent)"), std::string::npos) << first.out;
    const int64_t all = static_cast<int64_t>(aliceSample.rows.size() + alice2Rows.size() + bobRows.size());
    EXPECT_EQ(StoredRows(), all);
    // Pushed again: nothing sent, nothing added.
    for (const CTempFolder* folder : {&alice1, &alice2, &bob})
        EXPECT_NE(Push(*folder, folder == &bob ? "bob" : "alice").out.find(" 0 rows added (0 sent)"),
                  std::string::npos);
    EXPECT_EQ(StoredRows(), all);

    // Rows and a program stored after the push go with the next one.
    const int32_t app = bobData.AddApp("new-tool.exe", "C:\\Programs\\new-tool.exe");
    CStoredRow late;
    late.start = 20260410090000;
    late.finish = 20260410091000;
    late.duration = 600;
    late.app = app;
    bobData.AddRows({late, late});
    bobRows.insert(bobRows.end(), {late, late});
    EXPECT_NE(Push(bob, "bob").out.find(" 2 rows added (2 sent)"), std::string::npos);
    store.ExpectSummariesEqualRows();

    const std::pair<const char*, std::vector<const CTempFolder*>> people[] = {
        {"alice", {&alice1, &alice2}}, {"bob", {&bob}}, {"all", {&alice1, &alice2, &bob}}};
    for (const char* by : {"type", "app", "site", "project", "task", "user"})
        for (const auto& [person, folders] : people) {
            std::vector<std::string> args{"totals", "--by", by, "--format", "json"};
            args.insert(args.end(), kRange.begin(), kRange.end());
            std::map<std::string, int64_t> local;
            for (const CTempFolder* folder : folders)
                Add(local, Groups(Local(args, *folder)));
            const std::map<std::string, int64_t> server = Groups(Report(args, person));
            // By user the store's groups are the people.
            if (std::string(by) == "user")
                EXPECT_EQ(Total(server), Total(local)) << person;
            else
                EXPECT_EQ(server, local) << by << " of " << person;
        }
    const std::map<std::string, int64_t> byPerson = Groups(
        Report({"totals", "--by", "user", "--format", "json", "--from", "2026-01-01", "--to", "2026-04-30"}, "all"));
    EXPECT_EQ(byPerson.size(), 2u);

    // The day's rows: bob's as locally; everyone's name their person.
    const CRun bobsDay = Report({"day", "2026-03-01", "--format", "json"}, "bob");
    const CRun localDay = Local({"day", "2026-03-01", "--format", "json"}, bob);
    ASSERT_EQ(bobsDay.status, 0) << bobsDay.err;
    const nlohmann::json serverRows = nlohmann::json::parse(bobsDay.out),
                         localRows = nlohmann::json::parse(localDay.out);
    ASSERT_EQ(serverRows["rows"].size(), localRows["rows"].size());
    for (size_t i = 0; i < localRows["rows"].size(); ++i)
        for (const char* field : {"start", "seconds", "type", "program", "title", "site", "url", "project", "task"})
            EXPECT_EQ(serverRows["rows"][i][field], localRows["rows"][i][field]) << field;
    const CRun teamDay = Report({"day", "2026-03-01"}, "all");
    EXPECT_NE(teamDay.out.find("  bob  "), std::string::npos) << teamDay.out;
    EXPECT_NE(teamDay.out.find("  alice  "), std::string::npos);

    // The page of the month: its total as the local pages' sum.
    int64_t pages = 0;
    const std::regex total("data-total=\"([0-9]+)\"");
    std::smatch match;
    for (const CTempFolder* folder : {&alice1, &alice2}) {
        const std::string page = Local({"html", "--from", "2026-03-01", "--to", "2026-03-31"}, *folder).out;
        if (std::regex_search(page, match, total)) pages += std::stoll(match[1]);
    }
    const std::string page = Report({"html", "--from", "2026-03-01", "--to", "2026-03-31"}, "alice").out;
    ASSERT_TRUE(std::regex_search(page, match, total)) << page.substr(0, 300);
    EXPECT_EQ(std::stoll(match[1]), pages);
}

TEST_F(TeamStore, ABadServerPasswordSchemaOrFullDiskGivesOneMessageAndTheNextPushResumes) {
    CRun run = Push(bob, "bob");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("run \"qlosync init\""), std::string::npos) << run.err;
    EXPECT_NE(Report({"totals"}, "all").err.find("no tables yet"), std::string::npos);
    ASSERT_EQ(Sync({"init"}).status, 0);
    // Init takes the options of every command, before or after it.
    const CRun again = Sync({"--data", bob.Str(), "init"});
    EXPECT_EQ(again.status, 0) << again.err;

    store.Query("update orvanta.schema_version set version = 99");
    EXPECT_NE(Push(bob, "bob").err.find("version 99, newer than this qlosync knows"), std::string::npos);
    EXPECT_NE(Report({"totals"}, "all").err.find("version 99"), std::string::npos);
    EXPECT_NE(Sync({"init"}).err.find("version 99"), std::string::npos);
    store.Query("update orvanta.schema_version set version = " + std::to_string(kTeamStoreSchemaVersion));

    // Passwords: from the settings, never in a message; never on a command line.
    const std::string secret = "Secret-Horse-42";
    store.Query("create role keeper login superuser password '" + secret + "'");
    const std::string keeper = "host=127.0.0.1 port=" + std::to_string(store.Port()) + " dbname=" + store.Name();
    ASSERT_TRUE(registry.SetString(kKey, "Connection", keeper + " user=keeper"));
    ASSERT_TRUE(registry.SetString(kKey, "Password", "wrong-" + secret));
    run = RunConsoleTool(RunQlosync, {"push", "--data", bob.Str(), "--person", "bob"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("password authentication failed"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find(secret), std::string::npos) << run.err;
    run = Sync({"push", "--data", bob.Str()}, keeper + " user=keeper password=" + secret);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.find(secret), std::string::npos);
    EXPECT_NE(RunConsoleTool(RunQlosync, {"status", "--data", bob.Str()}).out.find("failed: cannot connect"),
              std::string::npos);
    EXPECT_NE(Push(bob, "bob", "host=127.0.0.1 port=1 dbname=x user=qlo").err.find("cannot connect to the team store"),
              std::string::npos);

    // TLS with the certificate and host name checked when the string asks.
    const std::string tls = " dbname=" + store.Name() +
                            " user=qlo sslmode=verify-full sslrootcert=ca.pem port=" + std::to_string(store.Port());
    run = Push(bob, "bob", "host=127.0.0.1" + tls);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("does not match host name"), std::string::npos) << run.err;

    // A full disk refuses the rows; nothing is lost, the next push resumes.
    store.Query(
        "create function full_disk() returns trigger language plpgsql as $$ begin raise exception "
        "'could not extend file: No space left on device' using errcode = 'disk_full'; end $$");
    store.Query(
        "create trigger full_disk before insert on orvanta.activities for each row execute function "
        "full_disk()");
    run = Push(bob, "bob", "host=localhost" + tls);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("disk is full"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("the next push resumes"), std::string::npos);
    store.Query("drop trigger full_disk on orvanta.activities");
    registry.SetString(kKey, "Password", secret);
    run = RunConsoleTool(RunQlosync, {"push", "--data", bob.Str(), "--person", "bob"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(StoredRows(), static_cast<int64_t>(bobRows.size()));
    EXPECT_NE(RunConsoleTool(RunQlosync, {"status", "--data", bob.Str()}).out.find("done: 800 rows added"),
              std::string::npos);
}

TEST_F(TeamStore, OnlyTheKindsOfDetailSharedGoAndThoseNoLongerSharedLeaveTheStore) {
    ASSERT_EQ(Sync({"init"}).status, 0);
    auto share = [&](std::initializer_list<const char*> on) {
        for (const char* name : kShareSettings)
            registry.SetNumber(kKey, name, std::find(on.begin(), on.end(), std::string(name)) != on.end());
    };
    auto count = [&](const std::string& where) {
        return std::stoll(store.Query("select count(*) from orvanta.activities where " + where));
    };
    const int64_t all = static_cast<int64_t>(bobRows.size());
    const std::string anyDetail =
        "title <> '' or description <> '' or url <> '' or app_id <> 0 or site_id <> 0 or user_id <> 0";
    auto namesOf = [&](const char* kinds) {
        return store.Query(std::string("select count(*) from orvanta.local_ids where kind in (") + kinds + ")");
    };

    // By default the time and its categories only.
    share({});
    ASSERT_EQ(Push(bob, "bob").status, 0);
    EXPECT_EQ(count(anyDetail), 0);
    EXPECT_EQ(count("project_id <> 0 and task_id <> 0"), all);
    EXPECT_EQ(namesOf("'a', 's', 'u'"), "0");
    EXPECT_EQ(store.Query("select count(*) from orvanta.programs"), "0");
    EXPECT_NE(namesOf("'p', 't'"), "0");

    // Turned on: every row again, with those details and their names.
    share({"Share Programs", "Share Titles", "Share Addresses"});
    ASSERT_EQ(Push(bob, "bob").status, 0);
    EXPECT_EQ(count("app_id <> 0 and title <> ''"), all);
    EXPECT_EQ(count("url <> ''"), count("site_id = 0 and url <> ''"));
    EXPECT_GT(count("url <> ''"), 0);
    EXPECT_EQ(count("site_id <> 0 or user_id <> 0"), 0);
    EXPECT_NE(namesOf("'a'"), "0");
    EXPECT_EQ(namesOf("'s', 'u'"), "0");
    std::vector<std::string> byApp{"totals", "--by", "app", "--format", "json"};
    byApp.insert(byApp.end(), kRange.begin(), kRange.end());
    EXPECT_EQ(Groups(Report(byApp, "bob")), Groups(Local(byApp, bob)));
    store.ExpectSummariesEqualRows();

    // Turned off again: gone from the store at the next push.
    share({"Share Titles"});
    ASSERT_EQ(Push(bob, "bob").status, 0);
    EXPECT_EQ(count("app_id <> 0 or url <> ''"), 0);
    EXPECT_EQ(count("title <> ''"), all);
    EXPECT_EQ(namesOf("'a'"), "0");
    store.ExpectSummariesEqualRows();
    EXPECT_EQ(StoredRows(), all);
}

TEST_F(TeamStore, RowsRewrittenInPlaceAndJournaledGoAgainWithTheNextPush) {
    ASSERT_EQ(Sync({"init"}).status, 0);
    ASSERT_EQ(Push(bob, "bob").status, 0);
    // The first row of March: title cleared, moved to another project and task.
    const CStoredRow& row =
        *std::find_if(bobRows.begin(), bobRows.end(), [](const CStoredRow& r) { return r.start >= 20260301000000; });
    const int32_t project = bobData.AddProject("Reassigned");
    const int32_t task = bobData.AddTask(project, "Later");
    CRawDatabase(bobData.MonthFile(row.start))
        .Exec("update T_Activities set Title = '', Id_Project = " + std::to_string(project) +
              ", Id_Task = " + std::to_string(task) + " where StartDate = " + std::to_string(row.start));
    std::string error;
    ASSERT_EQ(RecordChangedRange(bob.Str(), row.start, row.start, error), 1) << error;

    const CRun run = Push(bob, "bob");
    EXPECT_NE(run.out.find(" 0 rows added (1 sent)"), std::string::npos) << run.out << run.err;
    const std::string where = " from orvanta.activities where start_date = " + std::to_string(row.start);
    EXPECT_EQ(store.Query("select title" + where), "");
    EXPECT_EQ(store.Query("select p.name from orvanta.activities a join orvanta.local_ids l on l.machine_id = "
                          "a.machine_id and l.kind = 'p' and l.local_id = a.project_id join orvanta.projects p on "
                          "p.id = l.global_id where a.start_date = " +
                          std::to_string(row.start)),
              "Reassigned");
    store.ExpectSummariesEqualRows();
    // Followed once.
    EXPECT_NE(Push(bob, "bob").out.find(" 0 rows added (0 sent)"), std::string::npos);
}

TEST_F(TeamStore, MembersReachOnlyTheirOwnRowsEvenByHandAndLeadsEveryonesTotalsButOnlySharersDetails) {
    ASSERT_EQ(Sync({"init"}).status, 0);
    const std::string alice = Role("alice", "orvanta_member"), bobRole = Role("bob", "orvanta_member"),
                      lead = Role("lead", "orvanta_lead");
    ASSERT_EQ(PushAs(alice, alice2).status, 0);
    const CRun bobs = PushAs(bobRole, bob);
    ASSERT_EQ(bobs.status, 0) << bobs.err;
    // A member registers no other person, nor computers for one.
    CRun run = As(alice, {"push", "--data", alice1.Str(), "--person", bobRole});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(store.Query("select count(*) from orvanta.machines"), "2");

    // Hand-written SQL: only alice's rows, summaries and person; no partition, no table of her own.
    EXPECT_EQ(SqlAs(alice, "select count(*) from orvanta.activities"), std::to_string(alice2Rows.size()));
    EXPECT_EQ(SqlAs(alice, "select count(*) || ' ' || string_agg(name, ',') from orvanta.people"), "1 " + alice);
    EXPECT_EQ(SqlAs(alice, "select count(distinct machine_id) from orvanta.day_totals"), "1");
    EXPECT_EQ(SqlAs(alice,
                    "with gone as (delete from orvanta.activities where title like '%seed'' 3%' returning 1) "
                    "select count(*) from gone"),
              "0");
    EXPECT_NE(SqlAs(alice, "update orvanta.people set name = 'x'").find("permission denied"), std::string::npos);
    EXPECT_NE(SqlAs(alice, "select count(*) from orvanta.activities_202601").find("permission denied"),
              std::string::npos);
    EXPECT_NE(SqlAs(alice, "create table orvanta.mine (i integer)").find("permission denied"), std::string::npos);
    EXPECT_EQ(StoredRows(), static_cast<int64_t>(alice2Rows.size() + bobRows.size()));

    // Reports: a member's are their own; a lead's totals are everyone's,
    // from the summaries, equal to the local files'.
    const std::vector<std::string> totals = Args({"totals", "--format", "json"}, kRange);
    for (const char* by : {"project", "app", "type", "task"}) {
        const std::vector<std::string> args = Args(totals, {"--by", by});
        EXPECT_EQ(Groups(As(alice, args, RunQloreport)), Groups(Local(args, alice2))) << by;
        std::map<std::string, int64_t> both = Groups(Local(args, alice2));
        Add(both, Groups(Local(args, bob)));
        EXPECT_EQ(Groups(As(lead, args, RunQloreport)), both) << by;
    }
    EXPECT_EQ(Groups(As(lead, Args(totals, {"--by", "user"}), RunQloreport)).size(), 2u);
    // Details (the day's rows, sites) only of people who share them.
    // None while nobody shares; alice's once her push shares them.
    auto share = [&](bool on) {
        for (const char* name : kShareSettings)
            registry.SetNumber(kKey, name, on ? 1 : 0);
    };
    share(false);
    ASSERT_EQ(PushAs(alice, alice2).status, 0);
    ASSERT_EQ(PushAs(bobRole, bob).status, 0);
    const std::vector<std::string> day = {"day", "2026-03-01", "--format", "json"};
    EXPECT_EQ(nlohmann::json::parse(As(lead, day, RunQloreport).out)["rows"].size(), 0u);
    share(true);
    ASSERT_EQ(PushAs(alice, alice2).status, 0);
    const CRun leadsDay = As(lead, day, RunQloreport);
    ASSERT_EQ(leadsDay.status, 0) << leadsDay.err;
    EXPECT_EQ(nlohmann::json::parse(leadsDay.out)["rows"].size(),
              nlohmann::json::parse(Local(day, alice2).out)["rows"].size());
    const std::vector<std::string> sites = Args(totals, {"--by", "site"});
    EXPECT_EQ(Groups(As(lead, sites, RunQloreport)), Groups(Local(sites, alice2)));

    // What the store holds about bob, then nothing: the next push sends nothing again.
    const std::string shown = As(bobRole, {"show"}).out;
    EXPECT_TRUE(std::regex_search(shown, std::regex("\\n  2026-04 +200 "))) << shown;
    run = As(bobRole, {"forget", "--from", "2026-02-01", "--to", "2026-02-28"});
    EXPECT_NE(run.out.find("forgot 200 activities"), std::string::npos) << run.out << run.err;
    EXPECT_EQ(As(bobRole, Args(totals, {"--from", "2026-02-01", "--to", "2026-02-28"}), RunQloreport).status, 1);
    EXPECT_NE(As(bobRole, {"forget"}).out.find("your computers and your person are gone"), std::string::npos);
    EXPECT_EQ(store.Query("select count(*) from orvanta.people"), "1");
    EXPECT_NE(As(bobRole, {"show"}).out.find("holds nothing"), std::string::npos);
    share(false);  // as bob's last push
    EXPECT_NE(PushAs(bobRole, bob).out.find(" 0 rows added (0 sent)"), std::string::npos);
}

TEST_F(TeamStore, AStoreOfTheFirstVersionIsUpgradedInPlaceWithEveryRowAndItsSums) {
    const std::string person = store.Name() + "_bob";
    ASSERT_EQ(Sync({"init"}).status, 0);
    ASSERT_EQ(Push(bob, person).status, 0);
    // The store as the first version left it: no access rules, sign-off,
    // budgets or summaries.
    for (const char* table : {"people", "machines", "local_ids", "activities"})
        store.Query(std::string("alter table orvanta.") + table + " disable row level security");
    for (const char* sql :
         {"drop trigger hold_locked_rows on orvanta.activities", "alter table orvanta.activities drop column pushed",
          "alter table orvanta.people drop column shares cascade",
          "drop table orvanta.weeks, orvanta.held_activities, orvanta.budgets, orvanta.budget_notices",
          "drop function orvanta.ensure_month_partition(integer)", "drop function orvanta.store_rows",
          "drop function orvanta.withhold_details", "drop function orvanta.refresh_day_totals",
          "drop table orvanta.day_totals, orvanta.month_totals", "update orvanta.schema_version set version = 1",
          // A row whose start lies outside its file's month counts for no day, as the local reports count it.
          "insert into orvanta.activities select id, 202602, 999999, 20260301120000, 20260301121000, 600, 600, 1, "
          "'stray', 0, 0, 0, 0, '', '', 0, 0 from orvanta.machines"})
        store.Query(sql);
    const CRun refused = Push(bob, person);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("older than this qlosync's: run \"qlosync init\""), std::string::npos) << refused.err;

    // Upgraded in place; a second init is harmless.
    for (int round = 0; round < 2; ++round) {
        const CRun upgraded = Sync({"init"});
        EXPECT_NE(upgraded.out.find("tables of version 2"), std::string::npos) << upgraded.err;
        EXPECT_EQ(StoredRows(), static_cast<int64_t>(bobRows.size()) + 1);
        EXPECT_EQ(store.Query("select sum(seconds) from orvanta.day_totals"),
                  store.Query("select sum(duration) from orvanta.activities where start_date / 100000000 = month"));
        const std::vector<std::string> args = Args({"totals", "--by", "project", "--format", "json"}, kRange);
        EXPECT_EQ(Groups(Report(args, person)), Groups(Local(args, bob)));
    }
    // The person's own login role takes over: nothing sent twice, new rows follow.
    const std::string role = Role("bob", "orvanta_member");
    CStoredRow late;
    late.start = 20260420090000;
    late.finish = 20260420091000;
    late.duration = 600;
    bobData.AddRows({late});
    EXPECT_NE(PushAs(role, bob).out.find(" 1 rows added (1 sent)"), std::string::npos);
}

TEST_F(TeamStore, ASubmittedWeekNamesLateRowsAndAnApprovedOneHoldsThemApartWhateverPushesThem) {
    ASSERT_EQ(Sync({"init"}).status, 0);
    const std::string alice = Role("alice", "orvanta_member"), lead = Role("lead", "orvanta_lead");
    ASSERT_EQ(PushAs(alice, alice2).status, 0);
    CRun run = As(alice, {"submit", "2026-01-01"});
    EXPECT_NE(run.out.find("2026-W01 submitted: 150 activities"), std::string::npos) << run.out << run.err;
    auto addRow = [&](int64_t start) {
        CStoredRow row;
        row.start = start;
        row.finish = start + 1000;
        row.duration = 600;
        alice2Data.AddRows({row});
    };
    addRow(20260102100000);
    ASSERT_NE(PushAs(alice, alice2).out.find(" 1 rows added"), std::string::npos);
    run = As(alice, {"submit", "2026-W01"});
    EXPECT_NE(run.out.find("1 activities of it arrived after its last submit"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("2026-01-02 10:00:00"), std::string::npos);

    // Only a lead approves.
    EXPECT_EQ(As(alice, {"approve", "2026-W01", "--user", alice}, RunQloreport).status, 1);
    run = As(lead, {"approve", "2026-W01", "--user", alice}, RunQloreport);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("approved (submitted "), std::string::npos) << run.out;

    // Later rows of the week are kept apart and told of once; a change by
    // hand too; the week's rows stay as approved.
    const int64_t stored = StoredRows();
    addRow(20260103100000);
    addRow(20260203100000);
    run = PushAs(alice, alice2);
    EXPECT_NE(run.out.find(" 1 rows added (2 sent)"), std::string::npos) << run.out << run.err;
    EXPECT_NE(run.out.find("1 activities of the approved week 2026-W01 were kept apart"), std::string::npos);
    EXPECT_EQ(PushAs(alice, alice2).out.find("kept apart"), std::string::npos);
    EXPECT_EQ(SqlAs(alice, "update orvanta.activities set project_id = 9999 where start_date < 20260105000000"), "");
    EXPECT_EQ(store.Query("select count(*) from orvanta.activities where project_id = 9999"), "0");
    EXPECT_EQ(SqlAs(alice, "delete from orvanta.activities where start_date < 20260105000000"), "");
    EXPECT_EQ(StoredRows(), stored + 1);
    run = As(lead, {"held", "--user", alice}, RunQloreport);
    EXPECT_NE(run.out.find("152 rows held apart"), std::string::npos) << run.out << run.err;
    EXPECT_NE(As(alice, {"submit", "2026-W01"}).out.find("is approved"), std::string::npos);
    run = As(alice, {"show"});
    EXPECT_NE(run.out.find("week 2026-W01: submitted 2"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("held apart: 152 activities of the approved week 2026-W01"), std::string::npos);

    // Forgetting everything keeps the approved week's rows.
    run = As(alice, {"forget"});
    EXPECT_NE(run.out.find("kept 151 activities of approved weeks (2026-W01)"), std::string::npos) << run.out;
    EXPECT_EQ(StoredRows(), 151);
}

TEST_F(TeamStore, APushTellsOnceWhenABudgetOfThePersonsProjectsPasses80And100Percent) {
    ASSERT_EQ(Sync({"init"}).status, 0);
    const std::string alice = Role("alice", "orvanta_member"), lead = Role("lead", "orvanta_lead");
    const std::vector<std::string> all = {"totals", "--format", "json", "--from", "2026-01-01", "--to", "2026-12-31"};
    const int64_t development = Groups(Local(all, alice2))["Development"];
    char hours[32];
    std::snprintf(hours, sizeof hours, "%.4f", development * 1.1 / 3600);
    EXPECT_EQ(As(alice, {"budget", "Development", hours}, RunQloreport).status, 1);
    const CRun set = As(lead, {"budget", "Development", hours}, RunQloreport);
    ASSERT_EQ(set.status, 0) << set.err;
    CRun run = PushAs(alice, alice2);
    EXPECT_NE(run.out.find("budget: project \"Development\" passed 80 %"), std::string::npos) << run.out << run.err;
    EXPECT_EQ(PushAs(alice, alice2).out.find("budget:"), std::string::npos);
    CStoredRow row;
    row.start = 20260420090000;
    row.finish = 20260420100000;
    row.duration = development / 5;
    row.project = alice2Data.AddProject("Development");
    alice2Data.AddRows({row});
    run = PushAs(alice, alice2);
    EXPECT_NE(run.out.find("budget: project \"Development\" passed 100 %"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("passed 80 %"), std::string::npos);
    run = As(lead, {"budgets"}, RunQloreport);
    EXPECT_NE(run.out.find("Development"), std::string::npos) << run.out << run.err;
    EXPECT_NE(run.out.find("used up"), std::string::npos);
}
}  // namespace
