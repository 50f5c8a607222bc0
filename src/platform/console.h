#pragma once
// The console of the command-line tools.
//
// Windows: GetConsoleMode tells a console from a file or pipe, and
// SetConsoleOutputCP(CP_UTF8) lets the console show the tools' UTF-8 text.
// Linux: isatty(3); terminals take UTF-8 as it is.

// True when standard error is an interactive terminal (not a file or pipe).
bool StandardErrorIsTerminal();
// Makes a console that shows the standard output and error read it as UTF-8.
void UseUtf8Console();
