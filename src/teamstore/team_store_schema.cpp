#include "teamstore/team_store_schema.h"

#include <cstdio>
#include <set>
#include <vector>

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
    // The same per month (yyyymm): what a report of whole months reads, a
    // thirtieth of the days' summaries.
    "create table if not exists orvanta.month_totals (machine_id integer not null, month integer not null, "
    "project_id integer not null, task_id integer not null, app_id integer not null, activity_type integer not "
    "null, seconds bigint not null, row_count bigint not null, primary key (machine_id, month, project_id, task_id, "
    "app_id, activity_type))",
    "create index if not exists month_totals_month on orvanta.month_totals (month)",
    // Sums the rows of one machine's days [first_day, last_day] (yyyymmdd of
    // their start) anew, and the months they fall in; whoever changes those
    // rows calls it in the same transaction.
    "create or replace function orvanta.refresh_day_totals(machine integer, first_day integer, last_day integer) "
    "returns void language sql as $$ "
    "delete from orvanta.day_totals where machine_id = machine and day between first_day and last_day; "
    "insert into orvanta.day_totals (machine_id, day, project_id, task_id, app_id, activity_type, seconds, "
    "row_count) select machine, (start_date / 1000000)::integer, project_id, task_id, app_id, activity_type, "
    "sum(duration), count(*) from orvanta.activities where machine_id = machine and month between first_day / 100 "
    "and last_day / 100 and start_date between first_day::bigint * 1000000 and last_day::bigint * 1000000 + "
    "999999 and start_date / 100000000 = month group by 2, 3, 4, 5, 6; "
    "delete from orvanta.month_totals where machine_id = machine and month between first_day / 100 and last_day / "
    "100; "
    "insert into orvanta.month_totals (machine_id, month, project_id, task_id, app_id, activity_type, seconds, "
    "row_count) select machine, day / 100, project_id, task_id, app_id, activity_type, sum(seconds), "
    "sum(row_count) from orvanta.day_totals where machine_id = machine and day between first_day / 100 * 100 and "
    "last_day / 100 * 100 + 99 group by 2, 3, 4, 5, 6; $$",
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
    "held as (select a.month, a.local_id, a.start_date, a.start_date <> r.start_date as moved from "
    "orvanta.activities a join r on "
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
    "returning a.month, a.local_id, a.start_date) "
    // Added: stored and not held before (a row an approved week keeps apart
    // is neither).
    "select (select count(*) from stored s where not exists (select 1 from held h where h.month = s.month and "
    "h.local_id = s.local_id)), min(start_date / 1000000), "
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

    // Who shares details (programs, sites, titles, addresses): the push sets it.
    "alter table orvanta.people add column if not exists shares boolean not null default false",
    // When a row arrived (or last changed): what a submitted week received later.
    "alter table orvanta.activities add column if not exists pushed timestamptz not null default now()",
    // Sign-off: a person's ISO week (yyyyww) submitted and approved. Kept by
    // the person's name, so that a lock outlives the person's rows.
    "create table if not exists orvanta.weeks (person text not null, week integer not null, submitted timestamptz, "
    "approved timestamptz, approved_by text, primary key (person, week))",
    // Rows that arrived for an approved week, kept apart for a lead.
    "create table if not exists orvanta.held_activities (machine_id integer not null, month integer not null, "
    "local_id integer not null, start_date bigint not null, finish_date bigint not null, duration bigint not null, "
    "formated_duration bigint not null, activity_type integer not null, title text not null, user_id integer not "
    "null, app_id integer not null, project_id integer not null, task_id integer not null, description text not "
    "null, url text not null, site_id integer not null, logged integer not null, held timestamptz not null "
    "default now(), noticed boolean not null default false, primary key (machine_id, month, local_id))",
    "create table if not exists orvanta.budgets (project text primary key, hours numeric not null check (hours > "
    "0), per_month boolean not null default false, set_by text not null default current_user, set_at timestamptz "
    "not null default now())",
    // Which budget levels (80, 100) a person was told of, per period (yyyymm, 0 in total).
    "create table if not exists orvanta.budget_notices (person text not null, project text not null, period "
    "integer not null, level integer not null, primary key (person, project, period, level))",

    // Members may not make tables: a month's partition is made by this
    // function, with its maker's rights.
    "create or replace function orvanta.ensure_month_partition(yyyymm integer) returns void language plpgsql "
    "security definer set search_path = pg_catalog, pg_temp as $$ begin "
    "if yyyymm % 100 not between 1 and 12 or yyyymm not between 190001 and 999912 then "
    "raise exception 'no such month: %', yyyymm using errcode = '22023'; end if; "
    "perform pg_advisory_xact_lock(7135260417); "
    "execute format('create table if not exists orvanta.%I partition of orvanta.activities for values from (%s) "
    "to (%s)', 'activities_' || yyyymm, yyyymm, case when yyyymm % 100 = 12 then (yyyymm / 100 + 1) * 100 + 1 "
    "else yyyymm + 1 end); end $$",
    "create or replace function orvanta.iso_week(start bigint) returns integer language sql immutable as $$ "
    "select to_char(to_date((start / 1000000)::text, 'YYYYMMDD'), 'IYYYIW')::integer $$",
    "create or replace function orvanta.week_locked(machine integer, start bigint) returns boolean language sql "
    "stable security definer set search_path = pg_catalog, pg_temp as $$ select exists (select 1 from "
    "orvanta.weeks w join orvanta.people p on p.name = w.person join orvanta.machines m on m.person_id = p.id "
    "where m.id = machine and w.approved is not null and w.week = orvanta.iso_week(start)) $$",
    // Whatever client pushes: a new row, or a change, of an approved week
    // goes to held_activities instead (the latest version of each row); the
    // approved rows stay as they were.
    "create or replace function orvanta.hold_locked_rows() returns trigger language plpgsql security definer set "
    "search_path = pg_catalog, pg_temp as $$ begin "
    // Only a lead (or the owner) removes rows of an approved week.
    "if tg_op = 'DELETE' then if orvanta.week_locked(old.machine_id, old.start_date) and not "
    "orvanta.sees_team() then return null; end if; return old; end if; "
    "if tg_op = 'UPDATE' then if new is not distinct from old then return new; end if; new.pushed := now(); end "
    "if; "
    // Details given or taken back (sharing changed, forgotten, expired)
    // leave what was approved, the time and its categories, as it was.
    "if tg_op = 'UPDATE' and (new.start_date, new.finish_date, new.duration, new.activity_type, new.project_id, "
    "new.task_id) is not distinct from (old.start_date, old.finish_date, old.duration, old.activity_type, "
    "old.project_id, old.task_id) then return new; end if; "
    "if not orvanta.week_locked(new.machine_id, new.start_date) and (tg_op = 'INSERT' or not "
    "orvanta.week_locked(old.machine_id, old.start_date)) then return new; end if; "
    // An insert of a row the store has goes on to its conflict clause.
    "if tg_op = 'INSERT' and exists (select 1 from orvanta.activities a where a.machine_id = new.machine_id and "
    "a.month = new.month and a.local_id = new.local_id) then return new; end if; "
    "insert into orvanta.held_activities (machine_id, month, local_id, start_date, finish_date, duration, "
    "formated_duration, activity_type, title, user_id, app_id, project_id, task_id, description, url, site_id, "
    "logged) values (new.machine_id, new.month, new.local_id, new.start_date, new.finish_date, new.duration, "
    "new.formated_duration, new.activity_type, new.title, new.user_id, new.app_id, new.project_id, new.task_id, "
    "new.description, new.url, new.site_id, new.logged) on conflict (machine_id, month, local_id) do update set "
    "start_date = excluded.start_date, finish_date = excluded.finish_date, duration = excluded.duration, "
    "formated_duration = excluded.formated_duration, activity_type = excluded.activity_type, title = "
    "excluded.title, user_id = excluded.user_id, app_id = excluded.app_id, project_id = excluded.project_id, "
    "task_id = excluded.task_id, description = excluded.description, url = excluded.url, site_id = "
    "excluded.site_id, logged = excluded.logged, held = now(), noticed = false; "
    "return null; end $$",
    "drop trigger if exists hold_locked_rows on orvanta.activities",
    "create trigger hold_locked_rows before insert or update or delete on orvanta.activities for each row execute "
    "function orvanta.hold_locked_rows()",

    // Budgets: each budget's time used in its period (this month of `today`,
    // or in total) by everyone, and the first day of it. A member sees only
    // the budgets of projects they spent time on in that period.
    "create or replace function orvanta.sees_team() returns boolean language sql stable as $$ select "
    "pg_has_role(session_user, 'orvanta_lead', 'member') or coalesce((select rolsuper from pg_roles where "
    "rolname = session_user), false) $$",
    "create or replace function orvanta.budget_use(today date) returns table (project text, hours numeric, "
    "per_month boolean, used bigint, first_day integer) language sql stable security definer set search_path = "
    "pg_catalog, pg_temp as $$ "
    "with spent as (select b.project, d.day, d.seconds, p.name as person from orvanta.budgets b "
    "join orvanta.projects j on j.name = b.project join orvanta.local_ids l on l.kind = 'p' and l.global_id = j.id "
    "join orvanta.day_totals d on d.machine_id = l.machine_id and d.project_id = l.local_id "
    "join orvanta.machines m on m.id = d.machine_id join orvanta.people p on p.id = m.person_id "
    "where not b.per_month or d.day / 100 = to_char(today, 'YYYYMM')::integer) "
    "select b.project, b.hours, b.per_month, coalesce(sum(s.seconds), 0)::bigint, min(s.day) from orvanta.budgets "
    "b left join spent s on s.project = b.project group by 1, 2, 3 "
    "having orvanta.sees_team() or bool_or(s.person = session_user) order by 1 $$",
    // The levels of `person`'s budgets passed since they were last told,
    // recorded as told: project, level (80 or 100), used seconds, hours.
    "create or replace function orvanta.budget_crossings(person text, today date) returns table (project text, "
    "level integer, used bigint, hours numeric, per_month boolean) language plpgsql security definer set "
    "search_path = pg_catalog, pg_temp as $$ begin "
    "if person <> session_user and not orvanta.sees_team() then raise exception 'only % may ask for %''s "
    "budgets', person, person using errcode = '42501'; end if; "
    "return query with mine as (select u.* from orvanta.budget_use(today) u where exists (select 1 from "
    "orvanta.projects j join orvanta.local_ids l on l.kind = 'p' and l.global_id = j.id join orvanta.day_totals d "
    "on d.machine_id = l.machine_id and d.project_id = l.local_id join orvanta.machines m on m.id = d.machine_id "
    "join orvanta.people p on p.id = m.person_id where j.name = u.project and p.name = person and (not "
    "u.per_month or d.day / 100 = to_char(today, 'YYYYMM')::integer))), "
    "told as (insert into orvanta.budget_notices (person, project, period, level) select person, m.project, case "
    "when m.per_month then to_char(today, 'YYYYMM')::integer else 0 end, v.level from mine m cross join (values "
    "(80), (100)) v(level) where m.used * 100 >= v.level * m.hours * 3600 on conflict do nothing returning "
    "budget_notices.project, budget_notices.level) "
    "select t.project, max(t.level), m.used, m.hours, m.per_month from told t join mine m on m.project = "
    "t.project group by 1, 3, 4, 5 order by 1; end $$",

    // Access. Two group roles, granted by an administrator to each person's
    // login role: a member reads and writes only their own rows (the person
    // whose name is their login role's); a lead also reads everyone's
    // totals and names, and the rows of the people who share details.
    "do $$ begin if not exists (select 1 from pg_roles where rolname = 'orvanta_member') then create role "
    "orvanta_member nologin; end if; exception when duplicate_object or unique_violation then null; end $$",
    "do $$ begin if not exists (select 1 from pg_roles where rolname = 'orvanta_lead') then create role "
    "orvanta_lead nologin; end if; exception when duplicate_object or unique_violation then null; end $$",
    "grant usage on schema orvanta to orvanta_member, orvanta_lead",
    "grant select on orvanta.schema_version, orvanta.programs, orvanta.sites, orvanta.users, orvanta.projects, "
    "orvanta.tasks, orvanta.budgets to orvanta_member, orvanta_lead",
    "grant insert on orvanta.programs, orvanta.sites, orvanta.users, orvanta.projects, orvanta.tasks to "
    "orvanta_member, orvanta_lead",
    "grant usage on all sequences in schema orvanta to orvanta_member, orvanta_lead",
    "grant select, insert, delete on orvanta.people to orvanta_member, orvanta_lead",
    "grant update (shares) on orvanta.people to orvanta_member, orvanta_lead",
    "grant select, insert, update, delete on orvanta.machines, orvanta.local_ids, orvanta.activities, "
    "orvanta.day_totals, orvanta.month_totals to orvanta_member, orvanta_lead",
    "grant select, delete on orvanta.held_activities to orvanta_member, orvanta_lead",
    "grant update (noticed) on orvanta.held_activities to orvanta_member, orvanta_lead",
    "grant select, insert (person, week, submitted) on orvanta.weeks to orvanta_member",
    "grant update (submitted) on orvanta.weeks to orvanta_member",
    "grant select, insert, update on orvanta.weeks to orvanta_lead",
    "grant insert, update, delete on orvanta.budgets to orvanta_lead",
    "grant select, delete on orvanta.budget_notices to orvanta_lead",
    "revoke all on function orvanta.ensure_month_partition(integer), orvanta.budget_use(date), "
    "orvanta.budget_crossings(text, date) from public",
    "grant execute on function orvanta.ensure_month_partition(integer), orvanta.budget_use(date), "
    "orvanta.budget_crossings(text, date) to orvanta_member, orvanta_lead",
};

// Row-level security: each table's policies, made anew by every upgrade.
struct CPolicy {
    const char* table;
    const char* name;
    const char* command;  // all, select, ...
    const char* roles;
    const char* rows;  // the rows the roles reach (and may write)
};
constexpr char kOwnMachine[] =
    "machine_id in (select m.id from orvanta.machines m join orvanta.people p on p.id = m.person_id where p.name = "
    "current_user)";
constexpr char kBoth[] = "orvanta_member, orvanta_lead";
const CPolicy kPolicies[] = {
    {"people", "own", "all", kBoth, "name = current_user"},
    {"people", "team", "select", "orvanta_lead", "true"},
    {"machines", "own", "all", kBoth, "person_id in (select id from orvanta.people where name = current_user)"},
    {"machines", "team", "select", "orvanta_lead", "true"},
    {"local_ids", "own", "all", kBoth, kOwnMachine},
    {"local_ids", "team", "select", "orvanta_lead", "true"},
    {"day_totals", "own", "all", kBoth, kOwnMachine},
    {"day_totals", "team", "select", "orvanta_lead", "true"},
    {"month_totals", "own", "all", kBoth, kOwnMachine},
    {"month_totals", "team", "select", "orvanta_lead", "true"},
    {"activities", "own", "all", kBoth, kOwnMachine},
    {"activities", "sharers", "select", "orvanta_lead",
     "machine_id in (select m.id from orvanta.machines m join orvanta.people p on p.id = m.person_id where "
     "p.shares)"},
    {"held_activities", "own", "all", kBoth, kOwnMachine},
    {"held_activities", "team", "select", "orvanta_lead", "true"},
    {"weeks", "own", "all", kBoth, "person = current_user"},
    {"weeks", "team", "all", "orvanta_lead", "true"},
    {"budgets", "everyone", "select", kBoth, "true"},
    {"budgets", "leads", "all", "orvanta_lead", "true"},
};

// The statements that make the policies of kPolicies.
std::vector<std::string> PolicyStatements() {
    std::vector<std::string> statements;
    std::set<std::string> tables;
    for (const CPolicy& policy : kPolicies) {
        const std::string table = std::string("orvanta.") + policy.table;
        if (tables.insert(table).second) statements.push_back("alter table " + table + " enable row level security");
        statements.push_back(std::string("drop policy if exists ") + policy.name + " on " + table);
        std::string create = std::string("create policy ") + policy.name + " on " + table + " for " + policy.command +
                             " to " + policy.roles + " using (" + policy.rows + ")";
        if (std::string(policy.command) != "select") create += std::string(" with check (") + policy.rows + ")";
        statements.push_back(create);
    }
    return statements;
}

// The sums of rows pushed before the store kept them.
constexpr char kRefreshAllTotals[] = "select orvanta.refresh_day_totals(id, 0, 99991231) from orvanta.machines";

int ReadVersion(CPgConnection& connection, std::string& storeId, int& version) {
    CPgResult rows;
    if (connection.Exec("select to_regclass('orvanta.schema_version') is not null", {}, &rows) != 1) return 0;
    if (rows.Text(0, 0) != "t") return kSchemaMissing;
    if (connection.Exec("select version, store_id from orvanta.schema_version", {}, &rows) != 1) return 0;
    if (rows.Rows() != 1) return kSchemaMissing;
    version = static_cast<int>(rows.Int64(0, 0));
    storeId = rows.Text(0, 1);
    return version > kTeamStoreSchemaVersion ? kSchemaNewer : version < kTeamStoreSchemaVersion ? kSchemaOlder : 1;
}
}  // namespace

int CheckTeamStoreSchema(CPgConnection& connection, std::string& storeId, int& version) {
    version = 0;
    return ReadVersion(connection, storeId, version);
}

int InitTeamStoreSchema(CPgConnection& connection, std::string& storeId, int& version) {
    version = 0;
    const int found = ReadVersion(connection, storeId, version);
    if (found != kSchemaOlder && found != kSchemaMissing) return found;
    // Every statement is safe to repeat, so a store of any earlier version
    // is brought up to this one by running them all; a second init waits
    // for the first one's lock and then finds the version raised.
    int result = connection.Exec("begin") == 1 && connection.Exec(kSchemaLock) == 1;
    if (result == 1) result = ReadVersion(connection, storeId, version);
    if (result == kSchemaMissing || result == kSchemaOlder) {
        std::vector<std::string> statements(std::begin(kTables), std::end(kTables));
        for (std::string& policy : PolicyStatements())
            statements.push_back(std::move(policy));
        statements.push_back(kRefreshAllTotals);
        result = 1;
        for (const std::string& statement : statements)
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

std::string SchemaProblem(const CPgConnection& connection, int result, int version, const std::string& tool) {
    if (result == kSchemaMissing) return "the team store has no tables yet: run \"qlosync init\"";
    if (result == kSchemaNewer)
        return "the team store's tables are of version " + std::to_string(version) + ", newer than this " + tool +
               " knows (" + std::to_string(kTeamStoreSchemaVersion) + "): update " + tool;
    if (result == kSchemaOlder)
        return "the team store's tables are of version " + std::to_string(version) + ", older than this " + tool +
               "'s: run \"qlosync init\" once to upgrade them";
    return "the team store could not be read: " + connection.ErrorText();
}

int EnsureMonthPartition(CPgConnection& connection, int month) {
    return connection.Exec("select orvanta.ensure_month_partition($1)", {std::to_string(month)});
}
