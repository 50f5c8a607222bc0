#pragma once
// The commands that only the team store answers, on an open connection:
//   approve WEEK --user NAME  (a lead) locks the person's week: rows that
//                             arrive for it later are held apart
//   held [--user NAME]        the rows held apart, oldest week first
//   budget PROJECT HOURS      (a lead) sets (0: removes) a project's budget,
//                             per month or in total; its notices start anew
//   budgets                   each budget: used, left, and the day it runs
//                             out if the time goes on as it went so far
// What each account sees follows the store's policies
// (teamstore/team_store_schema.h). Texts the team chose are made safe for
// the terminal. Returns the exit status (0 done, 1 refused or failed, with
// the reason on `err`).

#include <cstdio>

#include "qloreport/report_options.h"
#include "teamstore/pg_connection.h"

int RunTeamCommand(const CReportOptions& options, CPgConnection& connection, FILE* out, FILE* err);
