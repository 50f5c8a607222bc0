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
};

int ReadVersion(CPgConnection& connection, std::string& storeId, int& version) {
    CPgResult rows;
    if (connection.Exec("select version, store_id from orvanta.schema_version", {}, &rows) != 1)
        // 42P01 undefined table, 3F000 undefined schema.
        return connection.SqlState() == "42P01" || connection.SqlState() == "3F000" ? kSchemaMissing : 0;
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
    if (found != kSchemaMissing) return found;
    // Every statement is safe to repeat: a second init waits for the first
    // one's lock and then finds everything there.
    int result = connection.Exec("begin") == 1 && connection.Exec(kSchemaLock) == 1;
    for (const char* statement : kTables)
        if (result == 1) result = connection.Exec(statement);
    if (result == 1)
        result = connection.Exec(
            "insert into orvanta.schema_version (version) select $1 where not exists "
            "(select 1 from orvanta.schema_version)",
            {std::to_string(kTeamStoreSchemaVersion)});
    if (result == 1) result = ReadVersion(connection, storeId, version);
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
