#pragma once
// `qlorules serve`: the review page. Listens on 127.0.0.1 (a free port, or
// --port N), prints the page's address, which carries this start's secret,
// opens the default browser on it (unless --no-browser) and answers until
// stopped (Ctrl-C, SIGTERM). --data DIR names the database folder, as the
// other tools take it; by default the collector's own.
//
// Exit status: 0 stopped after serving; 1 the folder or port could not be
// used (the reason on standard error); 2 bad arguments.

#include <cstdio>

// `argv` holds the arguments after "serve".
int RunServe(int argc, const char* const* argv, FILE* out, FILE* err);
