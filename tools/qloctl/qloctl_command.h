#pragma once
// The command line of qloctl, the control program of the collector: which
// command it was asked for, and its help text.

#include <string>

#include "control/control_command.h"

// The usage text printed by --help and after a bad command line.
extern const char kQloctlUsage[];

// The command of the arguments after the program name (`argv[1]` ..
// `argv[argc - 1]`). False, with a one-line reason in `error`, when they are
// not exactly one of the commands.
bool ParseControlCommand(int argc, const char* const* argv, EControlCommand& command, std::string& error);
