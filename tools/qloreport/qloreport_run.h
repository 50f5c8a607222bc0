#pragma once
// qloreport as a whole: the command line, the data folder (--data, else the
// one the collector's settings name: the registry on Windows, the .reg file
// on Linux), the reader, the command, and the messages and exit status.
//
// Exit status: 0 done (months without a file are noted on `err`); 1 no data
// in the range, or a file that is missing, not a database, lacks its table
// or cannot be read (named on `err`); 2 a bad command line (the reason and
// the usage on `err`).

#include <cstdio>

// `argv` as main gets it (the program name first); the report goes to `out`
// (html: to -o FILE when given), messages to `err`.
int RunQloreport(int argc, const char* const* argv, FILE* out, FILE* err);
