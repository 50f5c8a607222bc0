#pragma once
// The name of the activity file of a month: "act<MM><YY>.db" (act0314.db
// holds the activities of March 2014). One file per calendar month, in the
// data folder beside sys.db and func.db.

#include <cstdint>

// The file name of the month of the packed date `date` into `name`. Its
// length; 0 (and an empty name) when it could not be made.
int FormatActivityFileName(int64_t date, char (&name)[32]);
