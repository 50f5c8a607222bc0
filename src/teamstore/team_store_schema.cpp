#include "teamstore/team_store_schema.h"

#include <cstdio>

namespace {
// Serialises the makers of tables and partitions across sessions.
constexpr char kSchemaLock[] = "select pg_advisory_xact_lock(7135260417)";

constexpr const char* kTables[] = {
    "create schema if not exists orvanta",
    "create table if not exists orvanta.schema_version (version integer not null, store_id uuid not null "
    "default gen_random_uuid(), created timestamptz not null default now())",
    "create table if not exists orvanta.people (id serial primary key, name text not null unique)",
    "create table if not exists orvanta.machines (id serial primary key, identity text not null unique, "
    "person_id integer not null references orvanta.people, host text not null, first_push timestamptz not null "
    "default now(), last_push timestamptz, rows_added bigint not null default 0)",
    "create table if not exists orvanta.programs (id serial primary key, file_name text not null, path text not "
    "null, unique (file_name, path))",
    "create table if not exists orvanta.sites (id serial primary key, url text not null unique)",
    "create table if not exists orvanta.users (id serial primary key, domain text not null, name text not null, "
    "unique (domain, name))",
    "create table if not exists orvanta.projects (id serial primary key, name text not null unique)",
    "create table if not exists orvanta.tasks (id serial primary key, project text not null, name text not null, "
    "unique (project, name))",
    "create table if not exists orvanta.local_ids (machine_id integer not null references orvanta.machines, kind "
    "\"char\" not null, local_id integer not null, global_id integer not null, primary key (machine_id, kind, "
    "local_id))",
    "create table if not exists orvanta.activities (machine_id integer not null, month integer not null, local_id "
    "integer not null, start_date bigint not null, finish_date bigint not null, duration bigint not null, "
    "formated_duration bigint not null, activity_type integer not null, title text not null, user_id integer not "
    "null, app_id integer not null, project_id integer not null, task_id integer not null, description text not "
    "null, url text not null, site_id integer not null, logged integer not null, primary key (machine_id, month, "
    "local_id)) partition by range (month)",
    "create index if not exists activities_machine_start on orvanta.activities (machine_id, start_date)",
    // The daily summaries, in the machine's own ids like the rows (a name
    // sent again later changes what they name, never the sums).
    "create table if not exists orvanta.day_totals (machine_id integer not null, day integer not null, project_id "
    "integer not null, task_id integer not null, app_id integer not null, activity_type integer not null, seconds "
    "bigint not null, row_count bigint not null, primary key (machine_id, day, project_id, task_id, app_id, "
    "activity_type))",
    "create index if not exists day_totals_day on orvanta.day_totals (day)",
    // Sums the rows of one machine's days [first_day, last_day] (yyyymmdd of
    // their start) anew; whoever changes those rows calls it in the same
    // transaction.
    "create or replace function orvanta.refresh_day_totals(machine integer, first_day integer, last_day integer) "
    "returns void language sql as $$ "
    "delete from orvanta.day_totals where machine_id = machine and day between first_day and last_day; "
    "insert into orvanta.day_totals (machine_id, day, project_id, task_id, app_id, activity_type, seconds, "
    "row_count) select machine, (start_date / 1000000)::integer, project_id, task_id, app_id, activity_type, "
    "sum(duration), count(*) from orvanta.activities where machine_id = machine and month between first_day / 100 "
    "and last_day / 100 and start_date between first_day::bigint * 1000000 and last_day::bigint * 1000000 + "
    "999999 group by 2, 3, 4, 5, 6; $$",
    // Adds a batch of one machine's rows, given as arrays (one element per
    // row), or replaces those it holds where anything differs; sums the days
    // of every row added or changed anew (a row's old day too, should its
    // start have moved) and counts the rows added. Returns that count. One
    // statement, so a push holds nothing between its transactions.
    "create or replace function orvanta.store_rows(machine integer, months integer[], ids integer[], starts "
    "bigint[], finishes bigint[], durations bigint[], formated bigint[], types integer[], titles text[], users "
    "integer[], apps integer[], projects integer[], tasks integer[], descriptions text[], urls text[], sites "
    "integer[], logged integer[]) returns bigint language plpgsql as $$ "
    "declare added bigint; first_day bigint; last_day bigint; begin "
    "with r as (select * from unnest(months, ids, starts, finishes, durations, formated, types, titles, users, "
    "apps, projects, tasks, descriptions, urls, sites, logged) as r(month, local_id, start_date, finish_date, "
    "duration, formated_duration, activity_type, title, user_id, app_id, project_id, task_id, description, url, "
    "site_id, logged)), "
    "held as (select a.start_date, a.start_date <> r.start_date as moved from orvanta.activities a join r on "
    "a.month = r.month and a.local_id = r.local_id where a.machine_id = machine), "
    "stored as (insert into orvanta.activities as a (machine_id, month, local_id, start_date, finish_date, "
    "duration, formated_duration, activity_type, title, user_id, app_id, project_id, task_id, description, url, "
    "site_id, logged) select machine, r.* from r on conflict (machine_id, month, local_id) do update set "
    "(start_date, finish_date, duration, formated_duration, activity_type, title, user_id, app_id, project_id, "
    "task_id, description, url, site_id, logged) = (excluded.start_date, excluded.finish_date, excluded.duration, "
    "excluded.formated_duration, excluded.activity_type, excluded.title, excluded.user_id, excluded.app_id, "
    "excluded.project_id, excluded.task_id, excluded.description, excluded.url, excluded.site_id, "
    "excluded.logged) where (a.start_date, a.finish_date, a.duration, a.formated_duration, a.activity_type, "
    "a.title, a.user_id, a.app_id, a.project_id, a.task_id, a.description, a.url, a.site_id, a.logged) is "
    "distinct from (excluded.start_date, excluded.finish_date, excluded.duration, excluded.formated_duration, "
    "excluded.activity_type, excluded.title, excluded.user_id, excluded.app_id, excluded.project_id, "
    "excluded.task_id, excluded.description, excluded.url, excluded.site_id, excluded.logged) "
    "returning a.start_date) "
    "select (select count(*) from r) - (select count(*) from held), min(start_date / 1000000), "
    "max(start_date / 1000000) into added, first_day, last_day from (select start_date from stored union all "
    "select start_date from held where moved) changed; "
    "if first_day is not null then "
    "perform orvanta.refresh_day_totals(machine, first_day::integer, last_day::integer); end if; "
    "if added > 0 then update orvanta.machines set rows_added = rows_added + added where id = machine; end if; "
    "return added; end $$",
    // Takes back from one machine's rows the details it no longer shares:
    // program (and with it the summaries' program), site, title and
    // conversation, address, user account; and the names of its ids of
    // those kinds. The team's name tables keep their rows (other machines
    // may name them).
    "create or replace function orvanta.withhold_details(machine integer, programs boolean, sites boolean, "
    "titles boolean, addresses boolean, accounts boolean) returns void language plpgsql as $$ begin "
    "update orvanta.activities set app_id = case when programs then 0 else app_id end, site_id = case when "
    "sites then 0 else site_id end, title = case when titles then '' else title end, description = case when "
    "titles then '' else description end, url = case when addresses then '' else url end, user_id = case when "
    "accounts then 0 else user_id end where machine_id = machine and ((programs and app_id <> 0) or (sites and "
    "site_id <> 0) or (titles and (title <> '' or description <> '')) or (addresses and url <> '') or "
    "(accounts and user_id <> 0)); "
    "delete from orvanta.local_ids where machine_id = machine and ((programs and kind = 'a') or (sites and kind "
    "= 's') or (accounts and kind = 'u')); "
    "if programs then perform orvanta.refresh_day_totals(machine, 0, 99999999); end if; end $$",
    // Every machine's days summed (a store made before the summaries has
    // rows but none).
    "select orvanta.refresh_day_totals(id, 0, 99999999) from orvanta.machines",
};

int ReadVersion(CPgConnection& connection, std::string& storeId, int& version) {
    CPgResult rows;
    if (connection.Exec("select to_regclass('orvanta.schema_version') is not null", {}, &rows) != 1) return 0;
    if (rows.Text(0, 0) != "t") return kSchemaMissing;
    if (connection.Exec("select version, store_id from orvanta.schema_version", {}, &rows) != 1) return 0;
    if (rows.Rows() != 1) return kSchemaMissing;
    version = static_cast<int>(rows.Int64(0, 0));
    storeId = rows.Text(0, 1);
    return version > kTeamStoreSchemaVersion ? kSchemaNewer : 1;
}
}  // namespace

int CheckTeamStoreSchema(CPgConnection& connection, std::string& storeId, int& version) {
    version = 0;
    return ReadVersion(connection, storeId, version);
}

int InitTeamStoreSchema(CPgConnection& connection, std::string& storeId, int& version) {
    version = 0;
    const int found = ReadVersion(connection, storeId, version);
    if (found != kSchemaMissing && !(found == 1 && version < kTeamStoreSchemaVersion)) return found;
    // Every statement is safe to repeat, so a store of any earlier version
    // is brought up to this one by running them all; a second init waits
    // for the first one's lock and then finds the version raised.
    int result = connection.Exec("begin") == 1 && connection.Exec(kSchemaLock) == 1;
    if (result == 1) result = ReadVersion(connection, storeId, version);
    if (result == kSchemaMissing || (result == 1 && version < kTeamStoreSchemaVersion)) {
        result = 1;
        for (const char* statement : kTables)
            if (result == 1) result = connection.Exec(statement);
        const std::vector<std::string> current{std::to_string(kTeamStoreSchemaVersion)};
        if (result == 1)
            result = connection.Exec(
                "insert into orvanta.schema_version (version) select $1 where not exists "
                "(select 1 from orvanta.schema_version)",
                current);
        if (result == 1)
            result = connection.Exec("update orvanta.schema_version set version = $1 where version < $1", current);
        if (result == 1) result = ReadVersion(connection, storeId, version);
    }
    if (result == 1) return connection.Exec("commit");
    connection.Exec("rollback");
    return result;
}

int EnsureMonthPartition(CPgConnection& connection, int month) {
    const int next = month % 100 == 12 ? (month / 100 + 1) * 100 + 1 : month + 1;
    char sql[256];
    std::snprintf(sql, sizeof sql,
                  "create table if not exists orvanta.activities_%06d partition of orvanta.activities for values "
                  "from (%d) to (%d)",
                  month, month, next);
    if (connection.Exec("begin") != 1) return 0;
    const int result = connection.Exec(kSchemaLock) == 1 && connection.Exec(sql) == 1 ? 1 : 0;
    if (result == 1) return connection.Exec("commit");
    connection.Exec("rollback");
    return result;
}
