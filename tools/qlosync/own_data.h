#pragma once
// What the team store holds about one person, shown and forgotten:
// `qlosync show` and `qlosync forget`.
//
// Show prints the person's row (and whether leads see their details), their
// computers, their activities' count, time and span per month with how many
// carry each detail (title, address, program, site, description), the daily
// summaries, the weeks' sign-off, the rows held apart, and the latest rows
// as stored, so that a person can check what others may read.
//
// Forget deletes the person's activities that start in [from, to] (every
// one when `all`), except those of approved weeks, which stay as approved;
// their days' summaries are summed anew and their held rows go too. When
// nothing is left, the computers and the person's row go as well (the
// weeks' sign-off stays with the team). The store's policies let a member
// reach only their own person. The sync state is left alone: rows already
// pushed are not sent again unless they change on their computer.
//
// Both return the exit status (0 done, 1 failed with the reason on `err`).

#include <cstdint>
#include <cstdio>
#include <string>

#include "teamstore/pg_connection.h"

int ShowOwnData(CPgConnection& connection, const std::string& person, FILE* out, FILE* err);
int ForgetOwnData(CPgConnection& connection, const std::string& person, bool all, int64_t from, int64_t to, FILE* out,
                  FILE* err);

// "the team store refused DOING: <reason> [state]" on `err`; returns 1.
int StoreRefused(CPgConnection& connection, const char* doing, FILE* err);
