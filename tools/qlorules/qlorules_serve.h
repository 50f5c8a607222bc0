#pragma once
// `qlorules serve`: the review page. Listens on 127.0.0.1 (a free port, or
// `port`), prints the page's address, which carries this start's secret,
// opens the default browser on it (unless `openBrowser` is false) and
// answers until stopped (Ctrl-C, SIGTERM).
//
// Exit status: 0 stopped after serving; 1 the folder or the port could not
// be used (the reason on `err`).

#include <cstdio>
#include <string>

// `folder`: the database folder (UTF-8).
int ServePage(const std::string& folder, int port, bool openBrowser, FILE* out, FILE* err);
