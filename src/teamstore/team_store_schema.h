#pragma once
// The team store's tables, in the PostgreSQL schema "orvanta" of the server's
// database:
//
//   schema_version  one row: the version of these tables and the store's id
//                   (a new id whenever the store is made anew, so that a
//                   collector's marks of an earlier store are not trusted)
//   people          the persons rows belong to, by name
//   machines        one row per collector identity: its person and host, and
//                   when it last pushed and how many rows it added in all
//   programs, sites, users, projects, tasks
//                   the names of the team: one row per distinct name (a
//                   program per file name and path; a task per project name
//                   and task name), with the ids reports show
//   local_ids       what each collector's own ids name: (machine, kind,
//                   local id) -> a row of those tables; kinds 'a' program,
//                   's' site, 'u' user account, 'p' project, 't' task
//   activities      the collectors' rows as stored, with their local ids,
//                   unique by (machine, month of the file, Id_Activity),
//                   partitioned by that month (yyyymm), one partition
//                   "activities_yyyymm" per month
//   day_totals      the rows' time and count per machine, day (yyyymmdd of
//                   the start), project, task, program and type, in the
//                   machine's local ids; orvanta.refresh_day_totals(machine,
//                   first_day, last_day) sums a machine's days anew, and
//   month_totals    the same per month (yyyymm), summed from day_totals by
//                   that function: whole months of a report read these
//   weeks           sign-off: (person's name, ISO week yyyyww) submitted
//                   and approved; rows that arrive for an approved week of
//                   their person (a trigger on activities, whatever client
//                   sends them) go to
//   held_activities instead, the latest version of each, for a lead
//   budgets         hours per project name, per month or in total;
//                   budget_notices the levels (80, 100 %) each person was
//                   told of; orvanta.budget_use(today) and
//                   orvanta.budget_crossings(person, today) read them
//
// and the functions a push calls, each one statement and so a transaction of
// its own (a push holds no session state: it may pass through a pooler that
// hands each transaction another server connection):
//   orvanta.store_rows(machine, arrays of the rows' columns)
//                   adds the rows, replaces those it holds where anything
//                   differs, sums their days anew and counts the rows added
//   orvanta.withhold_details(machine, programs, sites, titles, addresses,
//                   accounts)
//                   empties the kinds of detail given in the machine's rows
//                   and forgets its names of them
//
// The statements that make them are one ordered list, each safe to repeat:
// init on a store of an earlier version runs them all in one transaction
// under the schema lock (adding what is missing, summing every machine's
// days) and raises the version.
//
// Access: init makes two group roles (NOLOGIN) that an administrator grants
// to each person's login role: orvanta_member and orvanta_lead. A login
// role is the person whose people.name equals the role's name; row-level
// security lets a member read and write only that person's rows (people,
// machines, local_ids, activities, day_totals, held_activities, weeks), so
// a member's push can register only its own person and machines. A lead
// reads besides everyone's people, machines, local_ids, day_totals, weeks
// and held rows, and the activities of the people who share details
// (people.shares, set by their push); a lead approves weeks and sets
// budgets. Everyone with a role reads the names (programs, sites, users,
// projects, tasks) and budgets. Members may not make tables: a month's
// partition comes from orvanta.ensure_month_partition(yyyymm) (SECURITY
// DEFINER). The role that runs init owns everything (and, owner or
// superuser, is not bound by the policies); it must be able to create
// roles the first time.
//
// Results: 1; kSchemaMissing; kSchemaNewer (`version` the server's);
// kSchemaOlder (push and reports: init upgrades it); 0 a statement failed
// (the connection tells why).

#include <string>

#include "teamstore/pg_connection.h"

inline constexpr int kTeamStoreSchemaVersion = 2;
inline constexpr int kSchemaMissing = -70;
inline constexpr int kSchemaNewer = -71;
inline constexpr int kSchemaOlder = -75;

// Checks the tables' version and reads the store's id.
int CheckTeamStoreSchema(CPgConnection& connection, std::string& storeId, int& version);
// Makes the tables that are missing, or brings a store of an earlier version
// up to this one (tables, roles, policies), in one transaction; a store made earlier keeps its rows and
// id. A store of this version is left as it is; kSchemaNewer leaves
// everything alone.
int InitTeamStoreSchema(CPgConnection& connection, std::string& storeId, int& version);
// What CheckTeamStoreSchema's `result` (not 1) means for a user of `tool`,
// one line: tables missing, of another version (`version`), or unreadable.
std::string SchemaProblem(const CPgConnection& connection, int result, int version, const std::string& tool);
// Makes the partition of `month` (yyyymm) unless it exists, through
// orvanta.ensure_month_partition: any role of the team may call it.
int EnsureMonthPartition(CPgConnection& connection, int month);
