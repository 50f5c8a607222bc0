#pragma once
// The console of the command-line tools.
//
// Windows: GetConsoleMode tells a console from a file or pipe, and
// SetConsoleOutputCP(CP_UTF8) lets the console show the tools' UTF-8 text;
// Ctrl-C, Ctrl-Break and closing the console are stop requests
// (SetConsoleCtrlHandler). Linux: isatty(3); terminals take UTF-8 as it is;
// SIGINT and SIGTERM are stop requests.

#include <string>

// True when standard error is an interactive terminal (not a file or pipe).
bool StandardErrorIsTerminal();
// True when standard input is an interactive terminal (Windows: a console,
// not the NUL device, a file or a pipe).
bool StandardInputIsTerminal();
// Makes a console that shows the standard output and error read it as UTF-8.
void UseUtf8Console();

// From now on a stop request no longer ends the process at once: it is
// recorded for StopRequested and WaitForStopRequest (a long-running tool
// then ends its work in order). Call once, from the main thread.
void WatchStopRequests();
// True once a stop request came (after WatchStopRequests).
bool StopRequested();
// Waits up to `milliseconds` for a stop request; true when one came (also
// one that came before the call).
bool WaitForStopRequest(int milliseconds);

// The computer's name (the host name on Linux); empty when it cannot be read.
std::string ComputerName();
