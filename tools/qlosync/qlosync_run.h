#pragma once
// qlosync as a whole: the command line, the settings, the data folder, the
// command, and its messages and exit status.
//
// Exit status: 0 done (watch: stopped by a stop request); 1 a failure, named
// on `err` (the connection, the password, the store's tables, the data
// folder; nothing is lost, the next push resumes); 2 a bad command line.

#include <cstdio>

// `argv` as main gets it (the program name first).
int RunQlosync(int argc, const char* const* argv, FILE* out, FILE* err);
