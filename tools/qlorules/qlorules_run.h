#pragma once
// qlorules as a whole: the command line, the data folder (--data, else the
// one the collector's settings name), the curation library's operation, and
// its answer as a table, CSV or JSON.
//
// Exit status: 0 done; 1 nothing to do or found, an input the library
// refused (an unknown id, a rule that could never match, a range in the
// future, an edit already undone) or a file that could not be used, each
// named on `err`; 2 a bad command line (the reason and the usage on `err`).

#include <cstdio>

// `argv` as main gets it (the program name first).
int RunQlorules(int argc, const char* const* argv, FILE* out, FILE* err);
