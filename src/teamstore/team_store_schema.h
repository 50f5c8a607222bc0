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
//                   first_day, last_day) sums a machine's days anew
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
// Results: 1; kSchemaMissing; kSchemaNewer (`version` the server's); 0 a
// statement failed (the connection tells why).

#include <string>

#include "teamstore/pg_connection.h"

inline constexpr int kTeamStoreSchemaVersion = 2;
inline constexpr int kSchemaMissing = -70;
inline constexpr int kSchemaNewer = -71;

// Checks the tables' version and reads the store's id.
int CheckTeamStoreSchema(CPgConnection& connection, std::string& storeId, int& version);
// Makes the tables that are missing, or brings a store of an earlier version
// up to this one, in one transaction; a store made earlier keeps its rows and
// id. A store of this version is left as it is; kSchemaNewer leaves
// everything alone.
int InitTeamStoreSchema(CPgConnection& connection, std::string& storeId, int& version);
// Makes the partition of `month` (yyyymm) unless it exists.
int EnsureMonthPartition(CPgConnection& connection, int month);
