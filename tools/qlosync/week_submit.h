#pragma once
// `qlosync submit WEEK`: marks a person's ISO week (yyyyww) submitted for a
// lead to approve, with its time as the store holds it. Submitting the week
// again names the rows of that week that arrived since the last submit (a
// late push). An approved week is not submitted again: it tells how many
// rows arrived for it since and were held apart.
// Returns the exit status (0 done, 1 failed with the reason on `err`).

#include <cstdio>
#include <string>

#include "teamstore/pg_connection.h"

int SubmitWeek(CPgConnection& connection, const std::string& person, int week, FILE* out, FILE* err);
