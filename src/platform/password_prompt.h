#pragma once
// Asking the user at the console for a secret without showing what is typed.
//
// Linux: the terminal of standard input, with echo switched off (termios)
// for the one line and restored afterwards. Windows: the console of standard
// input read as UTF-16 with echo off (SetConsoleMode), then converted to the
// ANSI code page. The prompt goes to standard error.

#include <string>

// Shows `prompt` and reads one line into `secret` (without its end). True
// when a line was read; false when standard input is not an interactive
// terminal or console (nothing is shown then) or reading failed.
bool ReadSecretLine(const char* prompt, std::string& secret);
